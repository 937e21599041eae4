#pragma once

#include "agentsfixture.h"

#include <QStringList>
#include <QVariant>

class AgentChoice;
class ContactsWindow;
class QAction;

// A seat on a fresh store as the contact windows need it: the agent fixture (signed-in user,
// data module, rights, recording host) with contacts added straight into the store and the
// contact sets prepared as the contacts module command prepares them.
class ContactsFixture : public AgentsFixture
{
  public:
    using AgentsFixture::AgentsFixture;

    // Adds a contact row directly in the store.
    void addContact(const QString &code, const QString &name, const QString &custId,
                    const QString &owner = QStringLiteral("Admin"), const QVariantMap &more = {});
    // A contact record naming a contact, owned by `owner`.
    void addRecord(const QString &operateId, const QString &custId, const QString &linkmanId,
                   const QString &owner = QStringLiteral("Admin"));
    // As Act_Linkman prepares the module: the agent set under the ownership rule, the
    // contact list's statement for the signed-in user, the related sets open.
    void openContactsModule();
    int count(const QString &table);
    // The report layouts the program ships, copied into this program directory.
    void installLayouts();
};

// The contact window on a fixture, shown as the contacts module would show it.
struct ContactsWindowOnFixture {
    explicit ContactsWindowOnFixture(ContactsFixture &f);
    ~ContactsWindowOnFixture();
    ContactsWindow *w;
    QAction *act(const char *name) const;
    store::Dataset &contacts() const;
    // The command's state after the event loop went idle, as the user would find it.
    bool enabled(const char *name) const;
};

// Chooses the agent with this name in the detail page's agent choice, as a click in its list.
void chooseAgent(AgentChoice *choice, const QString &name);
// Lines of a text file, without their CR LF.
QStringList fileLines(const QString &path);
