// The settings the calibration record uses: the operator's name (empty: the
// system's user name) and the as-found tolerance. Saved when accepted.
#pragma once

#include <QDialog>

#include "app/workstation_settings.h"
#include "util/file_system.h"
#include "util/operator.h"

class QLineEdit;
class QPushButton;

namespace gvc::gui {

class SettingsDialog : public QDialog {
public:
    SettingsDialog(Operator& op, FileSystem& fs, const WorkstationSettings& current,
                   QWidget* parent = nullptr);

    const WorkstationSettings& Settings() const { return settings_; }
    // "Сохранить": checks the tolerance, writes the file and closes; a bad
    // value or a file that cannot be written is said and the dialog stays.
    void btSaveClick();

    QLineEdit* edOperator;
    QLineEdit* edTolerance;
    QPushButton* btSave;

private:
    Operator& op_;
    FileSystem& fs_;
    WorkstationSettings settings_;
};

}  // namespace gvc::gui
