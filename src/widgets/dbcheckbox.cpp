#include "dbcheckbox.h"

#include "fieldlink.h"

DbCheckBox::DbCheckBox(QWidget *parent) : DbCheckBox(QString(), parent) {}

DbCheckBox::DbCheckBox(const QString &text, QWidget *parent)
    : QCheckBox(text, parent), m_link(new FieldLink(this, [this] { refresh(); }))
{
    // clicked comes from the user only (mouse or space), never from refresh.
    connect(this, &QCheckBox::clicked, this, [this](bool on) { m_link->write(on); });
}

void DbCheckBox::bind(store::Dataset *dataset, const QString &field)
{
    m_link->bind(dataset, field);
}

void DbCheckBox::refresh()
{
    setChecked(m_link->value().toBool());
}
