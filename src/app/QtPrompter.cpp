#include "QtPrompter.h"

#include "resources/Strings.h"

#include <QApplication>
#include <QMessageBox>

namespace tqv {

namespace {

QString caption() { return QString::fromStdString(text(StrId::AppTitle)); }

} // namespace

void QtPrompter::info(const std::string &text)
{
    QMessageBox::information(m_parent, caption(), QString::fromStdString(text), QMessageBox::Ok);
}

bool QtPrompter::askYesNo(const std::string &text)
{
    return QMessageBox::question(m_parent, caption(), QString::fromStdString(text),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}

bool QtPrompter::askYesNoDefaultNo(const std::string &text)
{
    return QMessageBox::question(m_parent, caption(), QString::fromStdString(text),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void QtPrompter::error(const std::string &text)
{
    QMessageBox::critical(m_parent, caption(), QString::fromStdString(text), QMessageBox::Ok);
}

bool QtPrompter::askOkCancel(const std::string &text)
{
    return QMessageBox::question(m_parent, caption(), QString::fromStdString(text),
                                 QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) == QMessageBox::Ok;
}

Answer QtPrompter::askYesNoCancel(const std::string &text)
{
    switch (QMessageBox::question(m_parent, caption(), QString::fromStdString(text),
                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes)) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

} // namespace tqv
