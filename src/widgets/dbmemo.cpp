#include "dbmemo.h"

#include "dataset.h"
#include "fieldlink.h"

DbMemo::DbMemo(QWidget *parent)
    : QPlainTextEdit(parent), m_link(new FieldLink(this, [this] { refresh(); }))
{
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_link->isRefreshing())
            m_link->write(toPlainText());
    });
}

void DbMemo::bind(store::Dataset *dataset, const QString &field)
{
    m_link->bind(dataset, field);
}

void DbMemo::refresh()
{
    const QString t = store::Dataset::displayText(m_link->value());
    if (toPlainText() != t)
        setPlainText(t);
}
