#pragma once
// Import: real data into the workbench, from a calibrated rig with matched pixels, from
// two images of a COLMAP text model, or from two photos taken with a calibrated rig. The menu bar
// opens it through OpenImportDialog; the command line (velmora rig.yml matches.csv) comes through
// ImportIntoWorkbench.

#include <QByteArray>
#include <QDialog>
#include <QList>
#include <string>

#include "data/import/Import.h"

class QLineEdit;
class QComboBox;
class QTabWidget;

namespace velmora {

class ControlDlg;

// What the dialog asks for, as a user filled it in.
struct ImportRequest {
  enum Kind { kRigAndMatches, kColmap, kPhotos } kind = kRigAndMatches;
  std::vector<std::string> rig;  // one file, or intrinsics then extrinsics (photos too)
  std::string matches;
  double pixelOrigin = kOpenCvPixelOrigin;
  std::string colmapDir;
  long firstImage = 1, secondImage = 2;
  std::string photos[2];
  double baseline = 1;  // when the rig has no R and T
};

// Reads and converts the request; false with the reason (file, line) in why.
bool ReadImportRequest(const ImportRequest& request, ImportedViews& views, std::string& why);

// Loads the pairs into the panel's workbench, poses both views as a finished glide to the
// position file does (panels, Scale box and scene follow) and shows the counts. Throws
// std::bad_alloc, nothing changed, when the pairs do not fit in memory.
void ApplyImportedViews(ControlDlg& panel, const ImportedViews& views);

// Reads, converts and applies the request. On failure the reason goes to ShowMessage and
// the workbench keeps what it held; false then.
bool ImportIntoWorkbench(ControlDlg& panel, const ImportRequest& request);

// The command line's rig files (ending in yml, yaml, xml or json) and matches file (csv or
// tsv), imported when both kinds are there; false when they are not, or the import failed.
bool ImportStartUpFiles(ControlDlg& panel, const QList<QByteArray>& names);

class ImportDlg : public QDialog {
  Q_OBJECT
 public:
  ImportDlg(QWidget* parent, ControlDlg& panel);
  // The request as the fields say now; false with the reason when one is not usable.
  bool Request(ImportRequest& request, std::string& why) const;

  QTabWidget* tabs = nullptr;
  QLineEdit *rigEdit = nullptr, *extrinsicsEdit = nullptr, *matchesEdit = nullptr;
  QComboBox* originCombo = nullptr;
  QLineEdit *colmapEdit = nullptr, *firstImageEdit = nullptr, *secondImageEdit = nullptr;
  QLineEdit *photoEdits[2] = {}, *cameraEdit = nullptr, *baselineEdit = nullptr;

 private:
  // OK: imports and closes, or shows why and stays open with the fields as they are.
  void OnImport();

  ControlDlg& panel_;
};

// Opens the dialog modally over parent; true when data was imported.
bool OpenImportDialog(QWidget* parent, ControlDlg& panel);

}  // namespace velmora
