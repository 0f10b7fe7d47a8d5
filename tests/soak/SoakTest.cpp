// The whole workbench, started as for the user, driven by a few thousand seeded random
// user actions: drags with every modifier, the main window's keys (with repeats and
// flights interrupted by new requests), typing into the panels, the boxes, good and
// malformed files. After each action the key state, the message boxes and the numbers
// are checked; after each burst the main window must still paint.
//
// VELMORA_SOAK_SEED and VELMORA_SOAK_ACTIONS replay a run; VELMORA_SOAK_TRACE=1 prints
// every action as it starts, so that a crash shows where it happened.

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/MainDlg.h"
#include "camera/CameraTransitions.h"
#include "data/NumberParse.h"
#include "data/VectorData.h"
#include "data/ui/ControlDlg.h"
#include "platform/DialogBuilder.h"
#include "tests/TestSupport.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

// X11 keysyms, which Qt reports as the native virtual key.
constexpr quint32 kControlL = 0xffe3, kControlR = 0xffe4, kShiftL = 0xffe1, kShiftR = 0xffe2;

constexpr std::uint64_t kDefaultSeed = 20250611;
constexpr int kDefaultActions = 2000;
constexpr int kBurst = 50;
// A flight takes a few seconds; one that has not ended after this long has hung, and
// transitions kept busy by new requests this long are waited out.
constexpr int kTransitionTimeoutMs = 30000;

constexpr char kPrompt[] = "Please enter a number.";

constexpr int kViewEdits[] = {IDC_VIEW_ALTITUDE, IDC_VIEW_AZIMUTH, IDC_VIEW_FOCAL_LENGTH,
                              IDC_VIEW_DISTANCE, IDC_VIEW_PAN,     IDC_VIEW_TILT,
                              IDC_VIEW_ROTATION};

std::uint64_t EnvNumber(const char* name, std::uint64_t fallback) {
  const char* text = std::getenv(name);
  if (text == nullptr || *text == '\0') return fallback;
  return std::strtoull(text, nullptr, 0);
}

void Settle() {
  for (int i = 0; i < 3; ++i) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  }
}

bool WaitUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > ms) return false;
    QTest::qWait(5);
  }
  return true;
}

// What a view box accepts: one finite decimal number with optional blanks around it.
bool IsPanelNumber(const QString& text, double* value = nullptr) {
  double parsed = 0;
  if (!IsDecimalNumber(text.toLatin1().constData(), &parsed) || !std::isfinite(parsed))
    return false;
  if (value != nullptr) *value = parsed;
  return true;
}

std::vector<double> Parameters(const CameraModel& c) {
  return {c.azimuth, c.altitude, c.rotation, c.focalLength, c.distance, c.pan, c.tilt};
}

// A message box the current action must show: the whole text or its beginning.
struct Expected {
  std::string text;
  bool prefix = false;
  bool Matches(const std::string& shown) const {
    return prefix ? shown.rfind(text, 0) == 0 : shown == text;
  }
};

// A file the Browse buttons may choose, with the box its load shows (empty: none).
struct Choice {
  std::string path;
  Expected message;
  bool rejected = false;
};

class Soak {
 public:
  Soak(std::uint64_t seed, int actions) : seed_(seed), actions_(actions), rng_(seed) {}
  ~Soak() {
    // After a failure the windows go without the final checks.
    delete main_;
    delete control_;
    ControlDlg::fileDialog = {};
  }

  void Run() {
    Start();
    if (failed_) return;
    QElapsedTimer timer;
    timer.start();
    for (index_ = 0; index_ < actions_ && !failed_; ++index_) {
      Act();
      if (!failed_) CheckAfterAction();
      if (!failed_ && (index_ + 1) % kBurst == 0) CheckBurst();
    }
    if (!failed_) Finish();
    std::cout << "soak: seed " << seed_ << ", " << index_ << " actions in " << timer.elapsed()
              << " ms" << std::endl;
  }

 private:
  // ---- start and end ----

  void Start() {
    clock_.start();
    WriteFiles();
    ControlDlg::fileDialog = [this](const FileDialogRequest&) {
      return QString::fromStdString(nextChoice_);
    };
    control_ = new ControlDlg;
    control_->Create();
    main_ = new MainDlg(control_, {});
    main_->resize(320, 240);
    main_->show();
    control_->show();
    if (!QTest::qWaitForWindowExposed(main_)) Fail("the main window never showed");
    Settle();
    // The big sample spheres' error maps cost seconds each: start on the smallest.
    control_->sphereSizeCombo->setCurrentIndex(0);
    Settle();
    Expect(recorder_.texts.empty(), "a message box at start-up");
    seen_ = recorder_.texts.size();
  }

  void Finish() {
    lastAction_ = "final wait";
    ReleaseHeldKeys();
    WaitForTransitions();
    if (failed_) return;
    // The Vectors windows close through their boxes, as the user would close them.
    for (ViewDlg* view : Views())
      if (view->showVectorsCheck->isChecked()) view->showVectorsCheck->click();
    Settle();
    expected_.clear();
    scaleCheck_ = false;
    CheckAfterAction();
    CheckBurst();
    lastAction_ = "close";
    QElapsedTimer timer;
    timer.start();
    main_->close();
    delete main_;
    main_ = nullptr;
    delete control_;
    control_ = nullptr;
    Expect(timer.elapsed() < 5000, "closing took " + std::to_string(timer.elapsed()) + " ms");
  }

  void WriteFiles() {
    const std::string header = "1 FSTShape\n";
    const std::string triangle = header + "1\nobject\n3\n0 0 0 10 0 0 0 10 0\n1\n1 3 0 1 2\n";
    auto fst = [&](const std::string& name, const std::string& content, const std::string& what,
                   bool prefix) {
      const std::string path = dir_.Write(name, content);
      fstFiles_.push_back(
          {path, {what.empty() ? "" : "File " + path + what, prefix}, !what.empty()});
    };
    fstFiles_.push_back({"", {}, false});  // the user cancels
    // Good ones, and ones whose odd contents the reader takes.
    fstFiles_.push_back({fs::absolute("demo.fsd").string(), {}, false});
    fstFiles_.push_back({fs::absolute("sphere100.fsd").string(), {}, false});
    fst("triangle.fsd", triangle, "", false);
    fst("junkpoints.fsd", header + "1\nobject\n3\nabc def  ghi\n1\n1 3 0 1 2\n", "", false);
    fst("nanpoints.fsd", header + "1\nobject\n3\nnan inf -inf 1 2 3 4 5 6\n1\n1 3 0 1 2\n", "",
        false);
    fst("noobjects.fsd", header + "0\n", "", false);
    fst("crlf.fsd", "1 FSTShape\r\n1\r\nobject\r\n3\r\n0 0 0 1 0 0 0 1 0\r\n1\r\n2 3 0 1 2\r\n", "",
        false);
    // Rejected ones.
    fst("empty.fsd", "", " is not FST file!", false);
    fst("badheader.fsd", "2 FSTShape\n1\nobject\n0\n\n0\n", " is not FST file!", false);
    fst("binary.fsd", std::string("\x7f\x45LF\0\x01\x02", 7), " is not FST file!", false);
    fst("negative.fsd", header + "1\nobject\n-3\n0 0 0\n0\n", " has a negative count", true);
    fst("negativefaces.fsd", header + "1\nobject\n1\n0 0 0\n-1\n", " has a negative count", true);
    fst("truncated.fsd", header + "1\nobject\n3\n0 0 0 1 0 0 0 1 0\n2\n1 3 0 1 2\n",
        " ends too early", true);
    fst("headeronly.fsd", header, " ends too early", true);
    fst("hugecount.fsd", header + "1\nobject\n999999999\n0 0 0\n0\n",
        " has a count larger than the file can hold", true);
    fst("badcolour.fsd", header + "1\nobject\n3\n0 0 0 1 0 0 0 1 0\n1\n1FF 3 0 1 2\n",
        " has a colour index outside 0..255", true);
    fst("badindex.fsd", header + "1\nobject\n3\n0 0 0 1 0 0 0 1 0\n1\n1 3 0 1 7\n",
        " has a vertex index outside the points", true);
    fst("noblank.fsd", header + "1\nobject\n3\n0 0 0 1 0 0 0 1 0\n1\n12\n",
        " has a face line without a blank", true);
    // A file that is not there: the reader says nothing and loads nothing.
    fstFiles_.push_back({(dir_.path() / "missing.fsd").string(), {}, true});

    auto dtx = [&](const std::string& name, const std::string& content) {
      dataFiles_.push_back({dir_.Write(name, content), {}, false});
    };
    dataFiles_.push_back({"", {}, false});
    dataFiles_.push_back({fs::absolute("demo.dtx").string(), {}, false});
    dtx("empty.dtx", "");
    dtx("one.dtx", "5 5\n");
    dtx("odd.dtx", "1 2\n3 4\n5 6\n");
    dtx("junk.dtx", "abc\ndef ghi\n\n\x01\x02 x\n12abc 7\n--3 .\n");
    dtx("tabs.dtx", "1\t2\n3\t4\r\n5 6\n7 8");
    dtx("nan.dtx", "nan nan\n1 2\ninf -inf\n3 4\n");
    dtx("huge.dtx", "1e300 -1e300\n1e308 1e308\n-1e300 1e300\n1e308 -1e308\n");
    dtx("same.dtx", "0 0\n0 0\n0 0\n0 0\n");
    std::mt19937 gen(1234);
    std::uniform_real_distribution<double> coordinate(-500, 500);
    std::string random;
    for (int i = 0; i < 2 * 40; ++i)
      random += std::to_string(coordinate(gen)) + " " + std::to_string(coordinate(gen)) + "\n";
    dtx("random.dtx", random);
    dataFiles_.push_back(
        {(dir_.path() / "missing.dtx").string(), {"Cannot open file to read!", false}, true});
    dataFiles_.push_back({dir_.path().string(), {"Cannot open file to read!", false}, true});
  }

  // ---- random choices ----

  int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  double Real(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng_); }
  bool Chance(double p) { return Real(0, 1) < p; }
  template <typename T>
  const T& Pick(const std::vector<T>& items) {
    return items[static_cast<std::size_t>(Int(0, static_cast<int>(items.size()) - 1))];
  }

  // ---- failures ----

  void Fail(const std::string& what) {
    ADD_FAILURE() << "seed " << seed_ << ", action " << index_ << " (" << lastAction_
                  << "): " << what << "\n  replay: VELMORA_SOAK_SEED=" << seed_
                  << " VELMORA_SOAK_ACTIONS=" << index_ + 1 << " VELMORA_SOAK_TRACE=1";
    failed_ = true;
  }
  void Expect(bool ok, const std::string& what) {
    if (!ok && !failed_) Fail(what);
  }

  // ---- the actions ----

  void Act() {
    scaleCheck_ = false;
    expected_.clear();
    junkBefore_ = AnyPanelJunk();
    idleBefore_ = main_->CameraAnimationIdle();
    const int kind = Int(0, 99);
    if (kind < 30)
      Drag();
    else if (kind < 50)
      Key();
    else if (kind < 64)
      Edit();
    else if (kind < 78)
      Box();
    else if (kind < 84)
      Load();
    else if (kind < 90)
      Wheel();
    else
      Wait();
    if (main_->CameraAnimationIdle())
      busy_.invalidate();
    else if (!busy_.isValid())
      busy_.start();
    else if (busy_.elapsed() > kTransitionTimeoutMs)
      WaitForTransitions();
  }

  void Describe(const std::string& text) {
    lastAction_ = text;
    if (trace_)
      std::cerr << "soak #" << index_ << " at " << clock_.elapsed() << " ms: " << text << std::endl;
  }

  void SendKey(QEvent::Type type, int key, quint32 keysym, Qt::KeyboardModifiers modifiers,
               bool repeat) {
    QKeyEvent event(type, key, modifiers, 0, keysym, 0, QString(), repeat);
    QCoreApplication::sendEvent(main_, &event);
    // What the main window's key flags should be now.
    if (repeat) return;
    const bool left = keysym != kControlR && keysym != kShiftR;
    if (type == QEvent::KeyPress) {
      if (modifiers & Qt::AltModifier) return;
      if (key == Qt::Key_Control && left) flags_ |= MODE_CTRL;
      if (key == Qt::Key_Shift && left) flags_ |= MODE_SHIFT;
      if (key == Qt::Key_Z) flags_ |= MODE_SLOW;
      if (key == Qt::Key_F7) flags_ ^= MODE_CENTRE;
    } else {
      if (key == Qt::Key_Control) flags_ &= ~MODE_CTRL;
      if (key == Qt::Key_Shift) flags_ &= ~MODE_SHIFT;
      if (key == Qt::Key_Z) flags_ &= ~MODE_SLOW;
    }
  }

  void ReleaseHeldKeys() {
    if (flags_ & MODE_CTRL) SendKey(QEvent::KeyRelease, Qt::Key_Control, kControlL, {}, false);
    if (flags_ & MODE_SHIFT) SendKey(QEvent::KeyRelease, Qt::Key_Shift, kShiftL, {}, false);
    if (flags_ & MODE_SLOW) SendKey(QEvent::KeyRelease, Qt::Key_Z, 0, {}, false);
  }

  void Move(QPoint at, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    QMouseEvent event(QEvent::MouseMove, at, main_->mapToGlobal(at), Qt::NoButton, buttons,
                      modifiers);
    QCoreApplication::sendEvent(main_, &event);
  }

  QPoint RandomPoint() { return {Int(0, main_->width() - 1), Int(0, main_->height() - 1)}; }

  Qt::KeyboardModifiers RandomModifiers() {
    static const std::vector<Qt::KeyboardModifiers> all = {Qt::NoModifier, Qt::ControlModifier,
                                                           Qt::ShiftModifier,
                                                           Qt::ControlModifier | Qt::ShiftModifier};
    return Pick(all);
  }

  void Drag() {
    static const std::vector<Qt::MouseButtons> buttonSets = {
        Qt::LeftButton, Qt::RightButton, Qt::LeftButton | Qt::RightButton, Qt::NoButton};
    const Qt::MouseButtons buttons = Pick(buttonSets);
    Qt::KeyboardModifiers modifiers = RandomModifiers();
    const int steps = Int(1, 6);
    std::ostringstream text;
    text << "drag buttons " << buttons.toInt() << " modifiers " << std::hex << modifiers.toInt()
         << std::dec << " steps " << steps;
    // The keys held as the drag's modifiers say, from either side of the keyboard.
    const bool pressKeys = Chance(0.6), slow = Chance(0.15);
    const quint32 ctrlKey = Chance(0.5) ? kControlL : kControlR;
    const quint32 shiftKey = Chance(0.5) ? kShiftL : kShiftR;
    if (pressKeys)
      text << (ctrlKey == kControlL ? " ctrl-left" : " ctrl-right")
           << (shiftKey == kShiftL ? " shift-left" : " shift-right");
    if (slow) text << " Z";
    Describe(text.str());

    const bool ctrlDown = pressKeys && (modifiers & Qt::ControlModifier);
    const bool shiftDown = pressKeys && (modifiers & Qt::ShiftModifier);
    if (ctrlDown) SendKey(QEvent::KeyPress, Qt::Key_Control, ctrlKey, {}, false);
    if (shiftDown)
      SendKey(QEvent::KeyPress, Qt::Key_Shift, shiftKey, modifiers & Qt::ControlModifier, false);
    if (slow) SendKey(QEvent::KeyPress, Qt::Key_Z, 0, modifiers, false);
    QPoint at = RandomPoint();
    if (Chance(0.8)) Move(at, Qt::NoButton, modifiers);
    Move(at, buttons, modifiers);
    for (int i = 0; i < steps; ++i) {
      at += QPoint(Int(-40, 40), Int(-40, 40));
      at.setX(std::clamp(at.x(), 0, main_->width() - 1));
      at.setY(std::clamp(at.y(), 0, main_->height() - 1));
      if (Chance(0.1)) modifiers = RandomModifiers();  // a key goes down or up mid-drag
      Move(at, buttons, modifiers);
      if (Chance(0.3)) Settle();
    }
    if (Chance(0.9)) Move(at, Qt::NoButton, modifiers);
    // Released with the same key, or the other side's.
    if (slow) SendKey(QEvent::KeyRelease, Qt::Key_Z, 0, modifiers, false);
    if (shiftDown)
      SendKey(QEvent::KeyRelease, Qt::Key_Shift,
              Chance(0.8) ? shiftKey : kShiftL ^ kShiftR ^ shiftKey, {}, false);
    if (ctrlDown)
      SendKey(QEvent::KeyRelease, Qt::Key_Control,
              Chance(0.8) ? ctrlKey : kControlL ^ kControlR ^ ctrlKey, {}, false);
    Settle();
  }

  void Key() {
    struct KeyChoice {
      int key;
      const char* name;
      bool flight;
    };
    static const std::vector<KeyChoice> keys = {
        {Qt::Key_F4, "F4", false},       {Qt::Key_F5, "F5", false},
        {Qt::Key_F6, "F6", true},        {Qt::Key_F7, "F7", false},
        {Qt::Key_F8, "F8", true},        {Qt::Key_F9, "F9", true},
        {Qt::Key_F11, "F11", true},      {Qt::Key_F12, "F12", true},
        {Qt::Key_Z, "Z", false},         {Qt::Key_F, "F", false},
        {Qt::Key_R, "R", false},         {Qt::Key_P, "P", false},
        {Qt::Key_A, "A", false},         {Qt::Key_M, "M", false},
        {Qt::Key_N, "N", false},         {Qt::Key_Control, "Ctrl", false},
        {Qt::Key_Shift, "Shift", false}, {Qt::Key_Escape, "Escape to the control panel", false},
    };
    const KeyChoice& k = Pick(keys);
    if (k.key == Qt::Key_Escape) {
      // The control panel hides; F4 brings it back.
      Describe(k.name);
      QKeyEvent event(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
      QCoreApplication::sendEvent(control_, &event);
      Settle();
      return;
    }
    quint32 keysym = 0;
    if (k.key == Qt::Key_Control) keysym = Chance(0.5) ? kControlL : kControlR;
    if (k.key == Qt::Key_Shift) keysym = Chance(0.5) ? kShiftL : kShiftR;
    const Qt::KeyboardModifiers modifiers = Chance(0.05) ? Qt::AltModifier : Qt::NoModifier;
    const int repeats = Chance(0.2) ? Int(1, 4) : 0;
    const bool release = Chance(0.9);
    std::ostringstream text;
    text << "key " << k.name << (keysym == kControlR || keysym == kShiftR ? " right" : "")
         << (modifiers ? " +Alt" : "") << " repeats " << repeats << (release ? "" : " held");
    Describe(text.str());
    SendKey(QEvent::KeyPress, k.key, keysym, modifiers, false);
    // X11 repeats a held key as release and press pairs.
    for (int i = 0; i < repeats; ++i) {
      SendKey(QEvent::KeyRelease, k.key, keysym, modifiers, true);
      SendKey(QEvent::KeyPress, k.key, keysym, modifiers, true);
    }
    if (release) SendKey(QEvent::KeyRelease, k.key, keysym, modifiers, false);
    Settle();
    // A few flights run to their end (each takes seconds); the others meet the next
    // requests, which wait behind them or are dropped.
    if (k.flight && Chance(0.07)) WaitForTransitions();
  }

  // Text for a box: mostly numbers, some of them odd, and junk.
  std::string TypedText() {
    static const std::vector<std::string> odd = {"0",  "-0",    " 12.5 ", "1e6",  "-1e-9",
                                                 "+3", "0x1p3", "1e12",   "-250", "6.2831853",
                                                 ".5", "5.",    "1e-300"};
    static const std::vector<std::string> junk = {"",     " ",   "abc",   "1.2.3",  "nan",   "inf",
                                                  "-inf", "NaN", "1e",    "--1",    "12abc", "1,5",
                                                  "+",    ".",   "1e400", "-1e400", "0x",    "\t"};
    const int kind = Int(0, 9);
    char buffer[64];
    if (kind < 4) {
      std::snprintf(buffer, sizeof buffer, "%.6g", Real(-7, 7));
      return buffer;
    }
    if (kind < 6) {
      std::snprintf(buffer, sizeof buffer, "%g", Real(-1000, 1000));
      return buffer;
    }
    if (kind < 8) return Pick(odd);
    return Pick(junk);
  }

  bool PanelJunk(const ViewDlg& view) const {
    for (int id : kViewEdits)
      if (!IsPanelNumber(GetDlgItemAs<QLineEdit>(&view, id)->text())) return true;
    return false;
  }
  bool AnyPanelJunk() const {
    return PanelJunk(control_->firstView) || PanelJunk(control_->secondView);
  }

  void TypeInto(QLineEdit* edit, const std::string& text) {
    if (!text.empty() && Chance(0.3)) {
      edit->selectAll();
      QTest::keyClicks(edit, QString::fromStdString(text));
    } else {
      edit->setText(QString::fromStdString(text));
    }
  }

  void Edit() {
    const std::string text = TypedText();
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    if (Chance(0.2)) {
      Describe("scale \"" + text + "\"");
      auto* edit = GetDlgItemAs<QLineEdit>(control_, IDC_SCALE);
      TypeInto(edit, text);
      QCoreApplication::sendEvent(edit, &out);
      Settle();
      const float scale = static_cast<float>(ParseAtof(text.c_str()));
      scaleNonFinite_ = !std::isfinite(scale);
      typedScale_ = scale;
      scaleCheck_ = true;
      return;
    }
    ViewDlg& view = Chance(0.5) ? control_->firstView : control_->secondView;
    const int id = kViewEdits[Int(0, 6)];
    Describe("view " + std::to_string(view.index) + " box " + std::to_string(id) + " \"" + text +
             "\"");
    auto* edit = GetDlgItemAs<QLineEdit>(&view, id);
    QCoreApplication::sendEvent(edit, &in);
    TypeInto(edit, text);
    const bool junk = PanelJunk(view);
    if (junk) expected_.push_back({kPrompt, false});
    const std::size_t before = recorder_.texts.size();
    QCoreApplication::sendEvent(edit, &out);
    if (junk) {
      Expect(recorder_.texts.size() > before, "no prompt for \"" + text + "\"");
    } else {
      // Read at once: every box holds a number, so the typed one is the camera's now.
      double value = 0;
      // The box's own text: a typed tab moves the focus instead of going in.
      IsPanelNumber(edit->text(), &value);
      const double got = id == IDC_VIEW_ALTITUDE       ? view.camera.altitude
                         : id == IDC_VIEW_AZIMUTH      ? view.camera.azimuth
                         : id == IDC_VIEW_FOCAL_LENGTH ? view.camera.focalLength
                         : id == IDC_VIEW_DISTANCE     ? view.camera.distance
                         : id == IDC_VIEW_PAN          ? view.camera.pan
                         : id == IDC_VIEW_TILT         ? view.camera.tilt
                                                       : view.camera.rotation;
      Expect(got == value, "the box holds " + edit->text().toStdString() +
                               " but the camera holds " + std::to_string(got));
    }
    Settle();
  }

  void Wheel() {
    ViewDlg& view = Chance(0.5) ? control_->firstView : control_->secondView;
    const int id = kViewEdits[Int(0, 6)];
    const int notches = Int(-3, 3);
    Describe("wheel " + std::to_string(notches) + " over view " + std::to_string(view.index) +
             " box " + std::to_string(id));
    auto* edit = GetDlgItemAs<QLineEdit>(&view, id);
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QCoreApplication::sendEvent(edit, &in);
    for (int i = 0; i < std::abs(notches); ++i) {
      const QPoint at(5, 5);
      QWheelEvent wheel(at, view.mapToGlobal(at), QPoint(), QPoint(0, notches > 0 ? 120 : -120),
                        Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
      QCoreApplication::sendEvent(&view, &wheel);
    }
    // Leaving the box reads the whole panel, as any focus change does.
    if (PanelJunk(view)) expected_.push_back({kPrompt, false});
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(edit, &out);
    Settle();
  }

  void Box() {
    const int kind = Int(0, 9);
    if (kind < 4) {
      ViewDlg& view = Chance(0.5) ? control_->firstView : control_->secondView;
      const std::vector<QAbstractButton*> boxes = {
          view.cameraCheck,  view.raysCheck,        view.azAltCheck,   view.panTiltCheck,
          view.meanRayCheck, view.showVectorsCheck, view.controlButton};
      QAbstractButton* box = Pick(boxes);
      // The Vectors windows are whole OpenGL windows: open them now and then only.
      if (box == view.showVectorsCheck && !box->isChecked() && Chance(0.7)) box = view.raysCheck;
      Describe("view " + std::to_string(view.index) + " box " + box->objectName().toStdString());
      box->click();
    } else if (kind < 7) {
      const std::vector<QCheckBox*> boxes = {
          control_->coordinatesCheck,    control_->fstObjectCheck,      control_->mainSphereCheck,
          control_->frontOnlyCheck,      control_->distanceCheck,       control_->ptPlaneCheck,
          control_->skipNegativeStCheck, control_->whiteBackgroundCheck};
      QCheckBox* box = Pick(boxes);
      Describe("control box " + box->objectName().toStdString() +
               (box->isEnabled() ? "" : " (disabled)"));
      box->click();
    } else if (kind < 9) {
      // Mostly the small spheres: the maps over the big ones are costly.
      const double r = Real(0, 1);
      const int index = r < 0.5 ? 0 : r < 0.85 ? 1 : r < 0.97 ? 2 : 3;
      QComboBox* combo = control_->sphereSizeCombo;
      Describe("sphere size " + std::to_string(index) + (combo->isEnabled() ? "" : " (disabled)"));
      if (combo->isEnabled() && index < combo->count()) combo->setCurrentIndex(index);
    } else {
      QSlider* slider = control_->alphaSlider;
      const int value = Int(slider->minimum(), slider->maximum());
      Describe("alpha " + std::to_string(value) + (slider->isEnabled() ? "" : " (disabled)"));
      if (slider->isEnabled()) slider->setValue(value);
    }
    Settle();
  }

  void Load() {
    const bool fst = Chance(0.5);
    const Choice& choice = fst ? Pick(fstFiles_) : Pick(dataFiles_);
    Describe(std::string(fst ? "browse FST " : "browse data ") +
             (choice.path.empty() ? "(cancelled)" : choice.path));
    nextChoice_ = choice.path;
    if (!choice.message.text.empty()) expected_.push_back(choice.message);
    const int firstCount = control_->firstView.GetPointCount();
    const int secondCount = control_->secondView.GetPointCount();
    GetDlgItemAs<QPushButton>(control_, fst ? IDC_BROWSE_FST : IDC_BROWSE_DATA)->click();
    Settle();
    if (choice.path.empty()) return;
    if (fst) {
      const QString status = GetDlgItemAs<QLabel>(control_, IDC_FST_STATUS)->text();
      const int shown = control_->workbench.fstObject.GetPointCount();
      Expect(status == QString::asprintf("%i points.", shown),
             "the FST status says " + status.toStdString());
      return;
    }
    const int first = control_->firstView.GetPointCount();
    const int second = control_->secondView.GetPointCount();
    if (choice.rejected) {
      Expect(first == firstCount && second == secondCount, "a rejected file changed the points");
      return;
    }
    Expect(first == second, "the views hold different numbers of points");
    for (ViewDlg* view : Views()) {
      const QString status = GetDlgItemAs<QLabel>(view, IDC_VIEW_STATUS)->text();
      Expect(status == QString::asprintf("Loaded %i points.", view->GetPointCount()),
             "the view status says " + status.toStdString());
    }
  }

  void Wait() {
    const int ms = Int(0, 60);
    Describe("wait " + std::to_string(ms) + " ms");
    QTest::qWait(ms);
  }

  void WaitForTransitions() {
    if (!WaitUntil([this] { return main_->CameraAnimationIdle(); }, kTransitionTimeoutMs))
      Fail("a camera transition did not end within " + std::to_string(kTransitionTimeoutMs) +
           " ms");
    Settle();
    busy_.invalidate();
  }

  std::vector<ViewDlg*> Views() const { return {&control_->firstView, &control_->secondView}; }

  // ---- checks ----

  void CheckMessages() {
    std::vector<bool> used(expected_.size(), false);
    const bool junk = junkBefore_ || AnyPanelJunk();
    for (; seen_ < recorder_.texts.size(); ++seen_) {
      const std::string& text = recorder_.texts[seen_];
      bool matched = false;
      for (std::size_t i = 0; i < expected_.size() && !matched; ++i)
        if (!used[i] && expected_[i].Matches(text)) used[i] = matched = true;
      // Any focus change reads a panel again, and prompts while it holds junk.
      if (!matched && text == kPrompt && junk) matched = true;
      Expect(matched, "unexpected message box: " + text);
    }
    for (std::size_t i = 0; i < expected_.size(); ++i)
      Expect(used[i], "missing message box: " + expected_[i].text);
  }

  void CheckFinite() {
    auto finite = [this](double v, const char* what, int view) {
      if (!std::isfinite(v))
        Fail(std::string(what) + (view >= 0 ? " of view " + std::to_string(view) : "") + " is " +
             std::to_string(v));
    };
    for (ViewDlg* view : Views()) {
      static const char* names[] = {"azimuth",  "altitude", "rotation", "focal length",
                                    "distance", "pan",      "tilt"};
      const std::vector<double> p = Parameters(view->camera);
      for (std::size_t i = 0; i < p.size(); ++i) finite(p[i], names[i], view->index);
      if (!scaleNonFinite_) finite(view->camera.GetScale(), "scale", view->index);
    }
    const Scene& s = main_->scene;
    finite(s.distance, "observer distance", -1);
    finite(s.offsetX, "observer offset x", -1);
    finite(s.offsetY, "observer offset y", -1);
    finite(s.offsetZ, "observer offset z", -1);
    finite(s.angleX, "observer angle x", -1);
    finite(s.angleY, "observer angle y", -1);
    finite(s.angleZ, "observer angle z", -1);
    if (!scaleNonFinite_) finite(s.scale, "scene scale", -1);
  }

  void CheckAfterAction() {
    CheckMessages();
    CheckFinite();
    Expect(main_->keyFlags == flags_,
           "key flags " + std::to_string(main_->keyFlags) + ", expected " + std::to_string(flags_));
    Expect(main_->scene.centreMode == ((flags_ & MODE_CENTRE) != 0), "centre mode");
    Expect(main_->windowTitle() == MainDlg::MouseModeCaption(main_->keyFlags),
           "caption " + main_->windowTitle().toStdString());
    // The scale reaches the scene (0 drawn as 1) and the views unchanged, unless a glide
    // to the position file may have set it meanwhile.
    if (scaleCheck_ && idleBefore_ && main_->CameraAnimationIdle() && !scaleNonFinite_) {
      Expect(main_->scene.scale == (typedScale_ == 0.0f ? 1.0f : typedScale_), "scene scale");
      for (ViewDlg* view : Views()) Expect(view->camera.GetScale() == typedScale_, "view scale");
    }
  }

  void CheckBurst() {
    lastAction_ += ", then the burst check";
    Settle();
    const QImage frame = main_->grabFramebuffer();
    const QSize size = main_->size() * main_->devicePixelRatio();
    Expect(!frame.isNull() && frame.size() == size, "the main window did not paint a frame");
    if (main_->CameraAnimationIdle()) {
      // Nothing moves: painting again gives the same frame.
      Expect(main_->grabFramebuffer() == frame, "two frames of an unchanged scene differ");
    }
    // The scene follows the control panel's boxes.
    const Scene& s = main_->scene;
    ControlDlg& c = *control_;
    Expect(s.showAxes == c.coordinatesCheck->isChecked(), "axes differ from their box");
    Expect(s.showFstObject == c.fstObjectCheck->isChecked(), "FST object differs from its box");
    Expect(s.showPlane == c.ptPlaneCheck->isChecked(), "plane differs from its box");
    Expect(s.frontOnly == c.frontOnlyCheck->isChecked(), "front-only differs from its box");
    const int selection = c.sphereSizeCombo->currentIndex();
    const FstShape* sphere = c.mainSphereCheck->isChecked() && selection >= 0
                                 ? c.workbench.loadedSpheres[selection]
                                 : nullptr;
    Expect(c.workbench.mainSphere == sphere, "main sphere differs from its box and size");
    Expect(s.alpha == c.alphaSlider->value() * 0.01, "alpha differs from the slider");
    for (ViewDlg* view : Views()) {
      Expect(view->options.showCamera == view->cameraCheck->isChecked(), "camera box");
      Expect(view->options.showRays == view->raysCheck->isChecked(), "rays box");
      Expect(view->options.showMeanRay == view->meanRayCheck->isChecked(), "mean-ray box");
      Expect(view->options.showAzAltSphere == view->azAltCheck->isChecked(), "az/alt box");
      Expect(view->options.showPanTiltSphere == view->panTiltCheck->isChecked(), "pan/tilt box");
      Expect(view->vectorsWindow.isVisible() == view->showVectorsCheck->isChecked(),
             "Vectors window differs from its box");
    }
    Expect(c.firstView.isControlled != c.secondView.isControlled,
           "exactly one view is steered by the mouse");
  }

  std::uint64_t seed_;
  int actions_;
  std::mt19937_64 rng_;
  bool trace_ = std::getenv("VELMORA_SOAK_TRACE") != nullptr;
  QElapsedTimer clock_;
  int index_ = -1;
  std::string lastAction_ = "start-up";
  bool failed_ = false;

  test::MessageRecorder recorder_;
  std::size_t seen_ = 0;
  std::vector<Expected> expected_;
  bool junkBefore_ = false;
  bool idleBefore_ = true;

  test::TempDir dir_;
  std::vector<Choice> fstFiles_;
  std::vector<Choice> dataFiles_;
  std::string nextChoice_;

  ControlDlg* control_ = nullptr;
  MainDlg* main_ = nullptr;
  int flags_ = 0;
  QElapsedTimer busy_;  // since when a transition runs
  bool scaleNonFinite_ = false;
  bool scaleCheck_ = false;
  float typedScale_ = 1.0f;
};

// Found by the soak (seed 20250611: huge.dtx loaded at action 105, F9 at 108): flights
// towards points that are not finite put NaN into the observer for good. Planned again
// from the same points, a flight either moves by finite steps or does not start and
// leaves the saved pose alone.
TEST(SoakRegression, FlightsTowardsPointsThatAreNotFiniteNeverReachTheObserver) {
  test::TempDir dir;
  enum Outcome { kRefused, kFiniteOrRefused, kFlies };
  const struct {
    const char* name;
    const char* content;
    Outcome outcome;
  } files[] = {
      {"nan.dtx", "1e400 -1e400\n1 2\n-1e400 1e400\n3 4\n", kRefused},
      {"huge.dtx", "1e300 -1e300\n1e308 1e308\n-1e300 1e300\n1e308 -1e308\n", kFiniteOrRefused},
      {"plain.dtx", "1 2\n-3 4\n2 2\n-1 3\n", kFlies},
  };
  constexpr double kPose[kObserverPoseSize] = {400, 0, 0, 0, 1, -1, 0};
  double table[kStepTableSize];
  FillStepTable(table);
  const double positionTargets[kMaxAnimatedValues] = {0.5, -0.3, 0, 10, 50, 50, 0, 0, 1};
  for (const auto& file : files) {
    SCOPED_TRACE(file.name);
    VectorData data;
    ASSERT_TRUE(ReadVectorData(dir.Write(file.name, file.content), data));
    CameraModel first, second;
    first.otherView = &second;
    second.otherView = &first;
    second.SetAzAlt(1.5, 0);
    StoreImagePoints(first, data.firstX.data(), data.firstY.data(), data.count);
    StoreImagePoints(second, data.secondX.data(), data.secondY.data(), data.count);
    first.UpdateCamera(VIEW_ALL);
    second.UpdateCamera(VIEW_ALL);
    for (int kind :
         {TRANSITION_FIRST_VIEW, TRANSITION_SECOND_VIEW, TRANSITION_OVERVIEW, TRANSITION_ZOOM}) {
      SCOPED_TRACE(kind);
      TransitionState state;
      if (kind == TRANSITION_ZOOM) {
        // A fly-out to the first view is in effect.
        state.savedPoseOwner = OWNER_FIRST_VIEW;
        std::copy(std::begin(kPose), std::end(kPose), state.savedPose);
      }
      const TransitionState before = state;
      TransitionPlan plan;
      const bool planned =
          PlanTransition(kind, kPose, first, second, positionTargets, table, 25, state, plan);
      if (file.outcome != kFiniteOrRefused) {
        EXPECT_EQ(planned, file.outcome == kFlies);
      }
      if (planned) {
        for (int i = 0; i < plan.count; ++i) {
          EXPECT_TRUE(std::isfinite(plan.increments[i])) << "field " << i;
          EXPECT_TRUE(std::isfinite(plan.targets[i])) << "field " << i;
        }
      } else {
        EXPECT_EQ(state.savedPoseOwner, before.savedPoseOwner);
        EXPECT_EQ(state.zoomFactor, before.zoomFactor);
        for (int i = 0; i < kObserverPoseSize; ++i)
          EXPECT_EQ(state.savedPose[i], before.savedPose[i]) << i;
      }
    }
  }
}

// Found by the soak (seed 1: scale "1e400" typed at action 437, F6 at 450): the glide to
// the position file started from an infinite scale and gave the scene NaN until its last
// frame. Such a value now takes its target at once; the others still glide.
TEST(SoakRegression, GlideFromAnInfiniteScaleHoldsOnlyFiniteValues) {
  CameraModel first, second;
  first.otherView = &second;
  second.otherView = &first;
  double table[kStepTableSize];
  FillStepTable(table);
  const double targets[kMaxAnimatedValues] = {0.5, -0.3, 0, 10, 50, 50, 0, 0, 1};
  const double pose[kObserverPoseSize] = {400, 0, 0, 0, 1, -1, 0};
  for (float scale : {std::numeric_limits<float>::infinity(),
                      -std::numeric_limits<float>::infinity(), std::nanf("")}) {
    SCOPED_TRACE(scale);
    first.SetScale(scale);
    second.SetScale(scale);
    second.SetAzAlt(2, 0.25);
    TransitionState state;
    TransitionPlan plan;
    ASSERT_TRUE(
        PlanTransition(TRANSITION_POSITION, pose, first, second, targets, table, 25, state, plan));
    EXPECT_EQ(plan.start[POS_SCALE], 1.0);
    EXPECT_EQ(plan.increments[POS_SCALE], 0.0);
    EXPECT_EQ(plan.start[POS_AZIMUTH], 2.0) << "finite values still glide";
    EXPECT_NE(plan.increments[POS_AZIMUTH], 0.0);
    for (int i = 0; i < plan.count; ++i) EXPECT_TRUE(std::isfinite(plan.increments[i])) << i;
  }
}

TEST(Soak, RandomUserActionsKeepTheWorkbenchSound) {
  const std::uint64_t seed = EnvNumber("VELMORA_SOAK_SEED", kDefaultSeed);
  const int actions = static_cast<int>(EnvNumber("VELMORA_SOAK_ACTIONS", kDefaultActions));
  Soak soak(seed, actions);
  soak.Run();
}

}  // namespace
}  // namespace velmora
