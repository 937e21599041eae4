#include "dblinklabel.h"

#include "dataset.h"
#include "desktopservices.h"
#include "fieldlink.h"

DbLinkLabel::DbLinkLabel(QWidget *parent, Kind kind)
    : QLabel(parent), m_link(new FieldLink(this, [this] { refresh(); })), m_kind(kind)
{
    setTextFormat(Qt::RichText);
    setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    setOpenExternalLinks(false);
    connect(this, &QLabel::linkActivated, this, [this] { openAddress(); });
}

void DbLinkLabel::bind(store::Dataset *dataset, const QString &field)
{
    m_link->bind(dataset, field);
}

void DbLinkLabel::setKind(Kind kind)
{
    m_kind = kind;
}

QString DbLinkLabel::address() const
{
    return store::Dataset::displayText(m_link->value()).trimmed();
}

bool DbLinkLabel::openAddress()
{
    const QString a = address();
    if (a.isEmpty())
        return false;
    return m_kind == Kind::Mail ? DesktopServices::sendMail(a) : DesktopServices::openAddress(a);
}

void DbLinkLabel::refresh()
{
    const QString a = address();
    // The address itself is the link text; the target is resolved on click, so no markup in
    // the stored text can change where it goes.
    setText(a.isEmpty()
                ? QString()
                : QStringLiteral("<a href=\"#\">") + a.toHtmlEscaped() + QStringLiteral("</a>"));
    setCursor(a.isEmpty() ? Qt::ArrowCursor : Qt::PointingHandCursor);
}
