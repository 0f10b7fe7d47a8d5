#include "python/ModuleSupport.h"

#include <new>
#include <utility>

#include "base/Notify.h"

namespace velmora::python {

namespace {

// The innermost scope of this thread; none outside the module's calls and on the core's
// worker threads.
thread_local MessageScope* t_scope = nullptr;

// "Low memory!" as the tool reports it: the allocation failure unwinds to the binding and
// pybind11 turns it into MemoryError.
struct LowMemory : std::bad_alloc {
  const char* what() const noexcept override { return "Low memory!"; }
};

}  // namespace

py::array_t<double> FloatRows(py::handle obj, const char* name, py::ssize_t columns) {
  using Exact = py::array_t<double, py::array::c_style>;
  py::array array = py::isinstance<py::array>(obj)
                        ? py::reinterpret_borrow<py::array>(obj)
                        : py::array(py::module_::import("numpy").attr("asarray")(obj));
  const char kind = array.dtype().kind();
  if (kind != 'f' && kind != 'i' && kind != 'u')
    throw py::value_error(std::string(name) + ": expected real numbers (float64), got dtype " +
                          py::str(array.dtype()).cast<std::string>());
  if (array.ndim() != 2 || array.shape(1) != columns)
    throw py::value_error(std::string(name) + ": expected an N x " + std::to_string(columns) +
                          " array, got shape " + py::str(obj.attr("shape")).cast<std::string>());
  if (array.shape(0) > 0x7fffffff) throw py::value_error(std::string(name) + ": too many rows");
  if (Exact::check_(array)) return py::reinterpret_borrow<Exact>(array);
  // The kind is checked above: the cast may round (long double) but not lose meaning.
  auto converted = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(array);
  if (!converted) throw py::value_error(std::string(name) + ": cannot be read as float64");
  return converted;
}

PointPairs::PointPairs(py::handle points1, py::handle points2)
    : first(FloatRows(points1, "points1", 2)), second(FloatRows(points2, "points2", 2)) {
  if (first.shape(0) != second.shape(0))
    throw py::value_error("points2: expected as many rows as points1 (" +
                          std::to_string(first.shape(0)) + "), got " +
                          std::to_string(second.shape(0)));
}

py::tuple PointArrays(const VectorData& data) {
  const auto n = static_cast<std::size_t>(data.count);
  std::vector<double> first(2 * n), second(2 * n);
  for (std::size_t i = 0; i < n; ++i) {
    first[2 * i] = data.firstX[i], first[2 * i + 1] = data.firstY[i];
    second[2 * i] = data.secondX[i], second[2 * i + 1] = data.secondY[i];
  }
  const auto rows = static_cast<py::ssize_t>(n);
  return py::make_tuple(Owned(std::move(first), {rows, 2}), Owned(std::move(second), {rows, 2}));
}

void CheckThreads(int threads) {
  if (threads < 0)
    throw py::value_error("threads: expected 0 (one per processor) or more, got " +
                          std::to_string(threads));
}

ErrorKind ErrorKindArg(const std::string& text, const char* name) {
  ErrorKind kind = ErrorKind::kPlain;
  if (!ParseErrorKind(text, kind))
    throw py::value_error(std::string(name) + ": expected 'plain' or 'baseline', got '" + text +
                          "'");
  return kind;
}

VectorData PointPairs::Data() const {
  VectorData data;
  data.count = static_cast<int>(first.shape(0));
  const double* p = first.data();
  const double* q = second.data();
  const auto n = static_cast<std::size_t>(data.count);
  data.firstX.resize(n), data.firstY.resize(n), data.secondX.resize(n), data.secondY.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    data.firstX[i] = p[2 * i], data.firstY[i] = p[2 * i + 1];
    data.secondX[i] = q[2 * i], data.secondY[i] = q[2 * i + 1];
  }
  return data;
}

MessageScope::MessageScope() : outer_(t_scope) {
  t_scope = this;
}

MessageScope::~MessageScope() {
  t_scope = outer_;
}

std::string MessageScope::Text(const std::string& fallback) const {
  if (messages_.empty()) return fallback;
  std::string text;
  for (const std::string& m : messages_) {
    std::string line = m;
    while (!line.empty() && line.back() == '\n') line.pop_back();
    text += (text.empty() ? "" : "\n") + line;
  }
  return text;
}

void InstallMessageSink() {
  // The sink found here (stderr by default) keeps what no call of the module catches.
  auto previous = std::make_shared<MessageSink>();
  *previous = SetMessageSink([previous](const std::string& text) {
    if (t_scope == nullptr) {
      if (*previous) (*previous)(text);
      return;
    }
    t_scope->Add(text);
    if (text == "Low memory!") throw LowMemory();
  });
}

bool InterruptWatch::Continue(std::size_t, std::size_t) {
  py::gil_scoped_acquire gil;
  if (PyErr_CheckSignals() == 0) return true;
  interrupted_ = true;
  return false;
}

void InterruptWatch::Raise() const {
  if (interrupted_) throw py::error_already_set();
}

}  // namespace velmora::python
