#include "LinkLabel.h"

namespace tqv {

LinkLabel::LinkLabel(const QString &text, const QUrl &url, QWidget *parent)
    : QLabel(parent), m_url(url)
{
    setText(QStringLiteral("<a href=\"%1\">%2</a>").arg(url.toString(QUrl::FullyEncoded), text.toHtmlEscaped()));
    setTextFormat(Qt::RichText);
    setTextInteractionFlags(Qt::TextBrowserInteraction);
    setOpenExternalLinks(true);
    setToolTip(url.toString());
    setCursor(Qt::PointingHandCursor);
}

} // namespace tqv
