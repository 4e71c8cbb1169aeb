#pragma once

#include <QLabel>
#include <QUrl>

namespace tqv {

// A label that shows a web link and opens it in the desktop's browser when clicked.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    LinkLabel(const QString &text, const QUrl &url, QWidget *parent = nullptr);
    QUrl url() const { return m_url; }

private:
    QUrl m_url;
};

} // namespace tqv
