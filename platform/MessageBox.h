#pragma once
// Installs the modal OK box as the sink of ShowMessage.

namespace velmora {

void InstallMessageBoxSink();

// The OpenGL surface format every window uses; set before the QApplication exists.
void InitOpenGLFormat();

}  // namespace velmora
