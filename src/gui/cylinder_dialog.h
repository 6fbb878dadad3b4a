// The reference gas cylinders of the calibration database: the list (expired
// ones in red, retired ones on request), adding one and retiring the selected.
#pragma once

#include <QDialog>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "util/operator.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace gvc::gui {

class CylinderDialog : public QDialog {
public:
    // `gases`: code and name of the table's gases.
    CylinderDialog(Operator& op, std::filesystem::path database,
                   std::vector<std::pair<int, std::string>> gases, QWidget* parent = nullptr);

    // Reads the list again from the database.
    void Reload();
    void btAddClick();
    void btRetireClick();
    // The id of the cylinder in a row of the list.
    std::int64_t IdAt(int row) const;

    QTableWidget* lvCylinders;
    QCheckBox* cbRetired;
    QComboBox* cbGas;
    QLineEdit* edConcentration;
    QLineEdit* edUnit;
    QLineEdit* edLot;
    QDateEdit* deExpiry;
    QPushButton* btAdd;
    QPushButton* btRetire;
    QLabel* stState;

private:
    Operator& op_;
    std::filesystem::path database_;
    std::vector<std::pair<int, std::string>> gases_;
};

}  // namespace gvc::gui
