#include "data/ui/ImportDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <new>

#include "base/Notify.h"
#include "data/NumberParse.h"
#include "data/ui/ControlDlg.h"
#include "platform/AppMessages.h"
#include "platform/MessageQueue.h"

namespace velmora {

bool ReadImportRequest(const ImportRequest& r, ImportedViews& views, std::string& why) {
  if (r.kind == ImportRequest::kColmap)
    return ImportColmap(r.colmapDir, r.firstImage, r.secondImage, views, why);
  if (r.kind == ImportRequest::kPhotos)
    return ImportPhotos(r.photos[0], r.photos[1], r.rig, r.baseline, views, why);
  return ImportRigAndMatches(r.rig, r.matches, r.pixelOrigin, views, why);
}

void ApplyImportedViews(ControlDlg& panel, const ImportedViews& v) {
  Workbench& workbench = panel.workbench;
  // As at the end of a glide to the position file: the Scale box, the scene and the panels.
  ApplyImport(v, workbench, [&workbench] {
    const LPARAM scale = FloatToLParam(workbench.Second().GetScale());
    PostAppMessage(g_hControlWnd.load(), UWM_SET_SCALE, 0, scale);
    PostAppMessage(g_hMainWnd.load(), UWM_SET_SCALE, 0, scale);
    PostAppMessage(g_hMainWnd.load(), UWM_UPDATE_PANELS);
  });
  panel.firstView.ShowLoadedPoints();
  panel.secondView.ShowLoadedPoints();
  PostAppMessage(g_hMainWnd.load(), UWM_REDRAW);
}

bool ImportIntoWorkbench(ControlDlg& panel, const ImportRequest& request) {
  ImportedViews views;
  std::string why;
  if (!ReadImportRequest(request, views, why)) {
    ShowMessage("Cannot import: " + why);
    return false;
  }
  try {
    ApplyImportedViews(panel, views);
  } catch (const std::bad_alloc&) {
    ShowMessage("Low memory!");
    return false;
  }
  return true;
}

bool ImportStartUpFiles(ControlDlg& panel, const QList<QByteArray>& names) {
  ImportRequest request;
  const auto endsIn = [](const QByteArray& name, std::initializer_list<const char*> endings) {
    for (const char* ending : endings)
      if (name.toLower().endsWith(QByteArray(".") + ending)) return true;
    return false;
  };
  for (const QByteArray& name : names) {
    if (endsIn(name, {"yml", "yaml", "xml", "json"})) request.rig.push_back(name.toStdString());
    if (endsIn(name, {"csv", "tsv"})) request.matches = name.toStdString();
  }
  if (request.rig.empty() || request.matches.empty()) return false;
  return ImportIntoWorkbench(panel, request);
}

namespace {

// A line edit with a Browse button that fills it.
QWidget* PathRow(QWidget* parent, QLineEdit*& edit, bool folder, const QString& filter) {
  auto* row = new QWidget(parent);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  edit = new QLineEdit(row);
  edit->setMinimumWidth(280);
  auto* browse = new QPushButton(QObject::tr("Browse..."), row);
  layout->addWidget(edit);
  layout->addWidget(browse);
  QLineEdit* target = edit;
  QObject::connect(browse, &QPushButton::clicked, row, [row, target, folder, filter] {
    const QString chosen =
        folder ? QFileDialog::getExistingDirectory(row, QString(), target->text())
               : QFileDialog::getOpenFileName(row, QString(), target->text(), filter);
    if (!chosen.isEmpty()) target->setText(chosen);
  });
  return row;
}

bool ReadId(const QLineEdit* edit, const char* name, long& id, std::string& why) {
  const std::string text = edit->text().toStdString();
  if (ParseWholeNumber(text.c_str(), id)) return true;
  why = std::string(name) + ": '" + text + "' is not an image id";
  return false;
}

}  // namespace

ImportDlg::ImportDlg(QWidget* parent, ControlDlg& panel) : QDialog(parent), panel_(panel) {
  setWindowTitle(tr("Import"));
  tabs = new QTabWidget(this);

  auto* rigPage = new QWidget(tabs);
  auto* rigForm = new QFormLayout(rigPage);
  const QString storage = tr("FileStorage (*.yml *.yaml *.xml *.json);;All files (*)");
  rigForm->addRow(tr("Rig (M1 D1 M2 D2 R T):"), PathRow(rigPage, rigEdit, false, storage));
  rigForm->addRow(tr("Extrinsics, if apart:"), PathRow(rigPage, extrinsicsEdit, false, storage));
  rigForm->addRow(
      tr("Matches (u1 v1 u2 v2):"),
      PathRow(rigPage, matchesEdit, false, tr("Matches (*.csv *.tsv *.txt);;All files (*)")));
  originCombo = new QComboBox(rigPage);
  originCombo->addItem(tr("0, 0 (OpenCV)"), kOpenCvPixelOrigin);
  originCombo->addItem(tr("0.5, 0.5 (COLMAP)"), kColmapPixelOrigin);
  rigForm->addRow(tr("Centre of the top-left pixel:"), originCombo);
  tabs->addTab(rigPage, tr("Rig and matches"));

  auto* colmapPage = new QWidget(tabs);
  auto* colmapForm = new QFormLayout(colmapPage);
  colmapForm->addRow(tr("Model folder (text):"), PathRow(colmapPage, colmapEdit, true, {}));
  firstImageEdit = new QLineEdit(QStringLiteral("1"), colmapPage);
  secondImageEdit = new QLineEdit(QStringLiteral("2"), colmapPage);
  colmapForm->addRow(tr("First image id:"), firstImageEdit);
  colmapForm->addRow(tr("Second image id:"), secondImageEdit);
  tabs->addTab(colmapPage, tr("COLMAP model"));

  auto* photoPage = new QWidget(tabs);
  auto* photoForm = new QFormLayout(photoPage);
  const QString pictures = tr("Pictures (*.png *.jpg *.jpeg *.tif *.tiff);;All files (*)");
  photoForm->addRow(tr("First photo:"), PathRow(photoPage, photoEdits[0], false, pictures));
  photoForm->addRow(tr("Second photo:"), PathRow(photoPage, photoEdits[1], false, pictures));
  photoForm->addRow(tr("Rig (M1 D1 M2 D2 [R T]):"), PathRow(photoPage, cameraEdit, false, storage));
  baselineEdit = new QLineEdit(QStringLiteral("1"), photoPage);
  photoForm->addRow(tr("Baseline, without R T:"), baselineEdit);
  tabs->addTab(photoPage, tr("Two photos"));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(tr("Import"));
  connect(buttons, &QDialogButtonBox::accepted, this, &ImportDlg::OnImport);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs);
  layout->addWidget(buttons);
}

bool ImportDlg::Request(ImportRequest& r, std::string& why) const {
  if (tabs->currentIndex() == 2) {
    r.kind = ImportRequest::kPhotos;
    for (int i = 0; i < 2; ++i) r.photos[i] = photoEdits[i]->text().toStdString();
    r.rig = {cameraEdit->text().toStdString()};
    const std::string text = baselineEdit->text().toStdString();
    if (!IsDecimalNumber(text.c_str(), &r.baseline) || !(r.baseline > 0)) {
      why = "Baseline: '" + text + "' is not a positive length";
      return false;
    }
    return true;
  }
  if (tabs->currentIndex() == 1) {
    r.kind = ImportRequest::kColmap;
    r.colmapDir = colmapEdit->text().toStdString();
    return ReadId(firstImageEdit, "First image id", r.firstImage, why) &&
           ReadId(secondImageEdit, "Second image id", r.secondImage, why);
  }
  r.kind = ImportRequest::kRigAndMatches;
  r.rig = {rigEdit->text().toStdString()};
  if (!extrinsicsEdit->text().isEmpty()) r.rig.push_back(extrinsicsEdit->text().toStdString());
  r.matches = matchesEdit->text().toStdString();
  r.pixelOrigin = originCombo->currentData().toDouble();
  return true;
}

void ImportDlg::OnImport() {
  ImportRequest request;
  std::string why;
  if (!Request(request, why)) {
    ShowMessage("Cannot import: " + why);
    return;
  }
  if (ImportIntoWorkbench(panel_, request)) accept();
}

bool OpenImportDialog(QWidget* parent, ControlDlg& panel) {
  ImportDlg dialog(parent, panel);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace velmora
