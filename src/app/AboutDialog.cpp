#include "AboutDialog.h"

#include "QtText.h"
#include "ToolbarIcons.h"
#include "controls/LinkLabel.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#ifndef TQV580_VERSION
#error "TQV580_VERSION must come from the build (the project's VERSION), as --version prints it"
#endif

namespace tqv {

AboutDialog::AboutDialog(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(qtext(StrId::AboutTitle));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto *icon = new QLabel(this);
    icon->setPixmap(applicationIcon().pixmap(48, 48));
    auto *name = new QLabel(qtext(StrId::AboutProgramName), this);
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    auto *version = new QLabel(QString::fromStdString(formatText(StrId::AboutVersion, {TQV580_VERSION})), this);
    version->setObjectName(QStringLiteral("aboutVersion"));
    auto *about = new QLabel(qtext(StrId::AboutCopyright), this);
    about->setWordWrap(true);
    auto *link = new LinkLabel(qtext(StrId::AboutLinkText), QUrl(QStringLiteral("https://www.example.com/tqv-580")), this);
    link->setObjectName(QStringLiteral("aboutLink"));

    auto *texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(version);
    texts->addSpacing(6);
    texts->addWidget(about);
    texts->addWidget(link);
    auto *top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addSpacing(10);
    top->addLayout(texts, 1);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *close = buttons->addButton(qtext(StrId::AboutClose), QDialogButtonBox::AcceptRole);
    close->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    setMinimumWidth(380);
}

} // namespace tqv
