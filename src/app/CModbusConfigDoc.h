#pragma once

#include "editor/EditorSession.h"
#include "model/ModelProfile.h"
#include "model/RecentFiles.h"
#include "model/Result.h"
#include "resources/Strings.h"

#include <QObject>
#include <QString>

#include <optional>

namespace tqv {

class CModbusConfigView;

// The project document: streams the view's store to and from .tqv files and keeps the path and
// the recent-file list. Holds no configuration of its own.
class CModbusConfigDoc : public QObject {
    Q_OBJECT
public:
    explicit CModbusConfigDoc(CModbusConfigView *view, QObject *parent = nullptr);

    QString path() const { return m_path; }
    const RecentFiles &recentFiles() const { return m_recent; }
    void setRecentFiles(const RecentFiles &files) { m_recent = files; }

    // New document (renews the store and the serial port list unless an upload is pending) and
    // the view's initial update, with `keep` restored when given (an uploaded configuration).
    void newDocument(const Place *keep = nullptr);
    // New document of another gateway model than a new document's own (type 3, modelFlag7).
    void newDocument(std::uint32_t gatewayType, const ModelFlags &flags);
    // Opens `path`; on failure changes nothing but the recent-file list. Opening the document's
    // own file again keeps the place in the tree. With `valuesIn`, the file is read in that
    // language and its values converted into the active one: the document then differs from the
    // file, so it counts as modified.
    Status open(const QString &path, std::optional<Language> valuesIn = std::nullopt);
    // Writes to `path`; on success it becomes the document's path.
    Status saveTo(const QString &path);

signals:
    void recentFilesChanged();

private:
    void remember(const QString &path);

    CModbusConfigView *m_view;
    QString m_path;
    RecentFiles m_recent;
};

} // namespace tqv
