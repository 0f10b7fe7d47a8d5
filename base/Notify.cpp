#include "base/Notify.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace velmora {
namespace {

std::mutex sinkMutex;

MessageSink& CurrentSink() {
  static MessageSink sink = [](const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
  };
  return sink;
}

}  // namespace

void ShowMessage(const std::string& text) {
  MessageSink sink;
  {
    std::lock_guard<std::mutex> lock(sinkMutex);
    sink = CurrentSink();
  }
  if (sink) sink(text);
}

MessageSink SetMessageSink(MessageSink sink) {
  std::lock_guard<std::mutex> lock(sinkMutex);
  MessageSink previous = std::move(CurrentSink());
  CurrentSink() = std::move(sink);
  return previous;
}

void FailLowMemory() {
  ShowMessage("Low memory!");
  std::exit(-1);
}

}  // namespace velmora
