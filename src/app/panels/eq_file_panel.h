// "导入EQ…" and "导出EQ…" beside the EQ graph: a REW or Equalizer APO filter list
// read onto the EQ page shown (after a summary of the bands and the deviation), and
// that page's EQ written as such a list.
#pragma once

#include <functional>

#include <QString>

class QWidget;

namespace kdsp {

class AppContext;

// Asks for a file: to open (save false) or to write. `apo` is set when the user
// picked the Equalizer APO kind. An empty path means cancelled. Tests put their
// own in place of the file dialog; returns the previous chooser.
struct EqFileChoice {
    QString path;
    bool apo = false;
};
using EqFileChooser = std::function<EqFileChoice(QWidget* parent, bool save)>;
EqFileChooser SetEqFileChooser(EqFileChooser chooser);

// Connects the two buttons (EqImportBtn, EqExportBtn) of the EQ tool bar.
void BuildEqFilePanel(AppContext& app);

void ImportEqFile(AppContext& app);
void ExportEqFile(AppContext& app);

}  // namespace kdsp
