#include "contactrules.h"

#include "contactform.h"
#include "contactreferences.h"
#include "datamodule.h"
#include "dbformattededit.h"
#include "dblineedit.h"
#include "formfields.h"
#include "messagebox.h"
#include "modulehost.h"
#include "recordfolders.h"
#include "session.h"
#include "workspace.h"

ContactRules::ContactRules(Workspace &ws, ContactForm &form) : m_ws(ws), m_form(form) {}

bool ContactRules::checkRequired(const ContactTexts &texts)
{
    return FormFields::requireShown(
        &m_form,
        {{m_form.code(), texts.code}, {m_form.name(), texts.name}, {m_form.agent(), texts.agent}});
}

void ContactRules::store()
{
    store::Dataset &contacts = m_form.contacts();
    showAgentFolder(m_ws, contacts.currentRow() >= 0 ? contacts.text(QStringLiteral("CustID"))
                                                     : QString());
    if (!contacts.isEditing())
        return;
    if (contacts.text(QStringLiteral("SUser")).isEmpty())
        contacts.setValue(QStringLiteral("SUser"), store::session().CurrentUserID);
    contacts.post();
}

void ContactRules::remove(const ContactTexts &texts)
{
    store::Dataset &contacts = m_form.contacts();
    if (!contacts.isOpen() || contacts.isEmpty())
        return;
    // Records name the code the store holds; a contact not stored yet has none to protect.
    if (contacts.state() != store::Dataset::State::Insert &&
        store::contactHasRecords(m_ws.dm,
                                 contacts.storedValue(QStringLiteral("LinkmanID")).toString())) {
        MessageBox::warning(m_form.window(), texts.referenced);
        return;
    }
    if (!MessageBox::confirm(m_form.window(), texts.confirmDelete))
        return;
    contacts.remove();
}

void ContactRules::showAgentFolder(Workspace &ws, const QString &custId)
{
    const QString root = RecordFolders::root();
    RecordFolders::ensure(root);
    const auto folder = custId.isEmpty() ? std::nullopt : RecordFolders::folderFor(custId);
    if (!folder) {
        ws.host.showFolder(root);
        return;
    }
    RecordFolders::ensure(*folder);
    ws.host.showFolder(*folder);
}
