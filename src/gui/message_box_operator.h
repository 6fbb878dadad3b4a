// The operator as the program meets it: modal message boxes of the three kinds
// (warning, error, information) with OK, and questions with Yes and No.
#pragma once

#include <QMessageBox>
#include <memory>

#include "util/operator.h"

class QWidget;

namespace gvc::gui {

// The box the operator sees for a message or question, not yet shown.
std::unique_ptr<QMessageBox> MakeOperatorBox(QWidget* parent, MessageKind kind, std::string_view cp1251Text,
                                             bool question);

class MessageBoxOperator : public Operator {
public:
    // Boxes are owned by and centred on `parent` (may be null).
    explicit MessageBoxOperator(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    void Show(MessageKind kind, std::string_view cp1251Text) override;
    bool Ask(MessageKind kind, std::string_view cp1251Text) override;

private:
    QWidget* parent_;
};

}  // namespace gvc::gui
