#include "CModbusConfigDoc.h"

#include "CModbusConfigView.h"
#include "model/ProjectDocument.h"
#include "resources/Strings.h"

#include <QFileInfo>

namespace tqv {

CModbusConfigDoc::CModbusConfigDoc(CModbusConfigView *view, QObject *parent) : QObject(parent), m_view(view) {}

void CModbusConfigDoc::newDocument()
{
    ProjectDocument::newDocument(m_view->store());
    m_path.clear();
    m_view->initialUpdate();
}

bool CModbusConfigDoc::open(const QString &path, QString &error)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    DocumentResult r = ProjectDocument::open(absolute.toStdString(), m_view->store(),
                                             codePageFor(currentLanguage()));
    if (!r.ok) {
        error = QString::fromStdString(r.message);
        m_recent.remove(absolute.toStdString());
        emit recentFilesChanged();
        return false;
    }
    m_path = absolute;
    m_view->initialUpdate();
    remember(absolute);
    return true;
}

bool CModbusConfigDoc::saveTo(const QString &path, QString &error, bool rememberPath)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    DocumentResult r = ProjectDocument::save(absolute.toStdString(), m_view->store(),
                                             codePageFor(currentLanguage()));
    if (!r.ok) {
        error = QString::fromStdString(r.message);
        return false;
    }
    if (rememberPath)
        m_path = absolute;
    remember(absolute);
    return true;
}

void CModbusConfigDoc::remember(const QString &path)
{
    m_recent.add(path.toStdString());
    emit recentFilesChanged();
}

} // namespace tqv
