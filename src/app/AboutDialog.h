#pragma once

#include <QDialog>

namespace tqv {

// "About gateway configuration software": program name, version and a link to the maker's page.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget *parent = nullptr);
};

} // namespace tqv
