#include "modifyright.h"

#include "dataset.h"
#include "rights.h"

#include <QPointer>

namespace
{

// Kept as a child of the dataset, so it lives and dies with it.
class Requirement : public QObject
{
  public:
    using QObject::QObject;
    QPointer<Rights> rights;
    QString right;
};

const Requirement *requirementOf(const store::Dataset &set)
{
    return set.findChild<Requirement *>(QString(), Qt::FindDirectChildrenOnly);
}

} // namespace

void ModifyRight::require(store::Dataset &set, Rights &rights, const QString &right)
{
    auto *r = set.findChild<Requirement *>(QString(), Qt::FindDirectChildrenOnly);
    if (!r) {
        r = new Requirement(&set);
        // Whatever puts a stored row into editing, a move or a command posting it stores
        // nothing of it without the flag.
        set.addBeforePost([](store::Dataset &d) {
            return allows(d) ? store::Dataset::PostAction::Store
                             : store::Dataset::PostAction::Discard;
        });
    }
    r->rights = &rights;
    r->right = right;
}

bool ModifyRight::allows(const store::Dataset &set)
{
    if (set.state() == store::Dataset::State::Insert)
        return true;
    const Requirement *r = requirementOf(set);
    return !r || !r->rights || r->rights->allows(r->right, QStringLiteral("Modify"));
}
