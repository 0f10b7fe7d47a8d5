#pragma once
// The one way the program tells the user something: a modal box with a short text and
// an OK button. The Qt side installs the box; tests and the command-line tool install
// sinks of their own. Kept free of Qt so that the core can report through it.

#include <cstddef>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace velmora {

using MessageSink = std::function<void(const std::string&)>;

// Shows the text and returns once the user has answered.
void ShowMessage(const std::string& text);

// Replaces the sink and returns the previous one.
MessageSink SetMessageSink(MessageSink sink);

// "Low memory!" then the process ends with status -1.
[[noreturn]] void FailLowMemory();

// Resizes a data array; an allocation that fails ends the process as FailLowMemory does.
template <typename T>
void ResizeOrDie(std::vector<T>& array, std::size_t count, const T& fill = T{}) {
  try {
    array.assign(count, fill);
  } catch (const std::bad_alloc&) {
    FailLowMemory();
  } catch (const std::length_error&) {
    FailLowMemory();
  }
}

}  // namespace velmora
