#pragma once

#include "agentsfixture.h"
#include "referrerswindow.h"

#include <QVariantMap>

class QAction;

// A seat on a fresh store as AgentsFixture gives it, with the shipped report layouts in its
// program directory, and the referrer rows and the contact records that name them made
// straight in the store.
class ReferrersFixture : public AgentsFixture
{
  public:
    explicit ReferrersFixture(const QString &engine, const QString &user = QStringLiteral("Admin"));

    // Prepares the sets as the referrers module command does: the search lifted, the
    // department, agent and referrer sets open, the referrers read again.
    void openReferrersModule();

    void addReferrer(const QString &code, const QString &name, const QVariantMap &more = {});
    // A contact record of `owner` that names the referrer `operaterId`.
    void addRecord(const QString &operateId, const QString &operaterId,
                   const QString &owner = QStringLiteral("Admin"), const QVariantMap &more = {});
    void insert(const QString &table, const QVariantMap &values);
};

// The referrer window on a fixture, shown and active as the referrers module shows it.
struct ShownReferrers {
    explicit ShownReferrers(ReferrersFixture &f);
    ReferrersWindow w;
    QAction *act(const char *name) const;
    store::Dataset &referrers() const;
    store::Dataset &records() const;
    // The command's enabled state once the event loop has been idle.
    bool enabled(const char *name) const;
};
