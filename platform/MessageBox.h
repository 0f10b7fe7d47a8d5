#pragma once
// Installs the modal OK box as the sink of ShowMessage.

namespace velmora {

void InstallMessageBoxSink();

// The OpenGL surface format every window uses; set before the QApplication exists.
void InitOpenGLFormat();

// With the application running: whether a context of that format can be created and made
// current. Without one every window would fail inside Qt; the program says so instead.
bool OpenGLAvailable();

}  // namespace velmora
