#pragma once

#include "model/ModelProfile.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QTreeWidget;

namespace tqv {

// File > New: which gateway model the new configuration is for. Lists every type with what it
// has under the chosen model variant; Return takes the highlighted one (type 3 with the standard
// variant unless the user moved).
class NewModelDialog : public QDialog {
    Q_OBJECT
public:
    explicit NewModelDialog(QWidget *parent = nullptr);

    std::uint32_t gatewayType() const;
    ModelFlags modelFlags() const;

    QTreeWidget *typeList() const { return m_types; }
    QComboBox *variantBox() const { return m_variants; }
    QLabel *summary() const { return m_summary; }

private:
    // The facts of every type under the chosen variant, and the summary of the chosen type.
    void showFacts();

    QTreeWidget *m_types = nullptr;
    QComboBox *m_variants = nullptr;
    QLabel *m_summary = nullptr;
};

} // namespace tqv
