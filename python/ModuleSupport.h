#pragma once
// What every binding of velmora._core needs: numpy arrays in (checked, read in place when
// they are float64 and C-contiguous) and out (owning the core's buffers), the core's
// messages caught per calling thread, and a map watcher that lets Ctrl-C stop a map.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "camera/CameraModel.h"
#include "camera/ErrorKind.h"
#include "data/VectorData.h"
#include "render/MapSettings.h"
#include "render/Workbench.h"

namespace velmora::python {

namespace py = pybind11;

// An argument numpy can make an array of, taken as it comes and checked by FloatRows; its
// name in the signatures is the one type checkers know.
struct ArrayLike {
  py::object object;
  operator py::handle() const { return object; }
};

// obj as an N x columns float64 C-contiguous array: obj itself when it already is one,
// else a converted copy. Lists and integer arrays are taken; anything else (another shape,
// complex numbers, strings, objects) raises ValueError naming the argument.
py::array_t<double> FloatRows(py::handle obj, const char* name, py::ssize_t columns);

// Both views' point sets, checked: N x 2 each, and as many pairs in the second as in the
// first.
struct PointPairs {
  py::array_t<double> first, second;
  PointPairs(py::handle points1, py::handle points2);
  // The pairs as the vector data reader gives them, for the workbench to load.
  VectorData Data() const;
};

// The pairs as two N x 2 arrays, the first view's and the second's.
py::tuple PointArrays(const VectorData& data);

// Two linked views as velmora-cli's subcommands pose and load them.
struct Views {
  CameraModel first, second;
  Workbench workbench{first, second};

  Views(const CameraParams& a, const CameraParams& b, const PointPairs& pairs, bool skipNegative) {
    first.SetParams(a);
    second.SetParams(b);
    first.skipNegativeST = second.skipNegativeST = skipNegative;
    workbench.LoadPointPairs(pairs.Data());
  }
};

// threads= of the long calls: 0 (one per processor) or more, else ValueError.
void CheckThreads(int threads);

// The error kind an argument names ("plain" or "baseline"); ValueError naming the argument
// otherwise.
ErrorKind ErrorKindArg(const std::string& text, const char* name = "error");

// The vector's buffer handed to numpy without a copy: the array owns it through a capsule.
template <typename T>
py::array_t<T> Owned(std::vector<T>&& values, std::vector<py::ssize_t> shape) {
  auto* held = new std::vector<T>(std::move(values));
  py::capsule owner(held, [](void* p) { delete static_cast<std::vector<T>*>(p); });
  return py::array_t<T>(std::move(shape), held->data(), owner);
}

// While it lives, the core's messages on this thread are kept instead of shown, and
// "Low memory!" throws std::bad_alloc (MemoryError in Python) instead of ending the
// process. Messages of other threads go where they went before.
class MessageScope {
 public:
  MessageScope();
  ~MessageScope();
  MessageScope(const MessageScope&) = delete;
  MessageScope& operator=(const MessageScope&) = delete;

  const std::vector<std::string>& Messages() const { return messages_; }
  // The messages, one a line; fallback when there are none.
  std::string Text(const std::string& fallback) const;
  void Add(const std::string& text) { messages_.push_back(text); }

 private:
  std::vector<std::string> messages_;
  MessageScope* outer_;
};

// Routes the core's messages through the scopes; once, when the module loads.
void InstallMessageSink();

// A map's watcher for a call that has released the GIL: each time the map asks, it takes
// the GIL for a moment and runs Python's signal handlers; a handler that raises (Ctrl-C:
// KeyboardInterrupt) stops the map, and Raise then rethrows that error.
class InterruptWatch : public MapProgress {
 public:
  bool Continue(std::size_t done, std::size_t total) override;
  void Finished() override {}
  // Throws the pending Python error when a signal handler stopped the map. Needs the GIL.
  void Raise() const;

 private:
  bool interrupted_ = false;
};

}  // namespace velmora::python

namespace pybind11::detail {
template <>
struct type_caster<velmora::python::ArrayLike> {
  PYBIND11_TYPE_CASTER(velmora::python::ArrayLike, const_name("numpy.typing.ArrayLike"));
  bool load(handle src, bool) {
    value.object = reinterpret_borrow<object>(src);
    return true;
  }
  static handle cast(const velmora::python::ArrayLike& a, return_value_policy, handle) {
    return a.object.inc_ref();
  }
};
}  // namespace pybind11::detail
