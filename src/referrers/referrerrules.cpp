#include "referrerrules.h"

#include "datamodule.h"
#include "dbformattededit.h"
#include "dblineedit.h"
#include "messagebox.h"
#include "modulehost.h"
#include "recordfolders.h"
#include "referrerform.h"
#include "referrerreferences.h"
#include "workspace.h"

#include <QDir>
#include <QFileInfo>

namespace
{

const QString Code = QStringLiteral("OperaterID");
const QString FilePath = QStringLiteral("FilePath");

} // namespace

ReferrerRules::ReferrerRules(Workspace &ws, ReferrerForm &form) : m_ws(ws), m_form(form) {}

QWidget *ReferrerRules::window() const
{
    return m_form.window();
}

bool ReferrerRules::save()
{
    if (DbFormattedEdit::refuseUnfinished(&m_form))
        return false;
    const std::pair<DbLineEdit *, QString> required[] = {
        {m_form.code(), QStringLiteral("请输入业务员代码！")},
        {m_form.name(), QStringLiteral("请输入业务员名称！")},
    };
    for (const auto &[field, message] : required) {
        if (field->text().isEmpty()) {
            MessageBox::warning(window(), message);
            field->setFocus();
            return false;
        }
    }
    return store(false);
}

bool ReferrerRules::saveStatus()
{
    if (DbFormattedEdit::refuseUnfinished(&m_form))
        return false;
    return store(true);
}

bool ReferrerRules::store(bool setFilePath)
{
    store::Dataset &set = m_form.referrers();
    const QString code = m_form.code()->text();
    // The code names the referrer's folder: one that cannot (blank, "..", a separator) is
    // refused before anything is stored or made on disk.
    if (!RecordFolders::isSafeCode(code)) {
        MessageBox::warning(window(), RecordFolders::refusalText(code));
        m_form.code()->setFocus();
        return false;
    }
    // Nothing follows a code change: rows naming the old code would name nobody.
    QString before;
    if (set.state() == store::Dataset::State::Edit && set.isChanged(Code)) {
        before = set.storedValue(Code).toString();
        if (const auto refusal = store::referrerCodeChangeRefusal(m_ws.dm, before, code)) {
            MessageBox::warning(window(), *refusal);
            m_form.code()->setFocus();
            return false;
        }
        if (before == code)
            before.clear();
    }
    const QString folder = *RecordFolders::referrerFolder(code);
    if (set.isEditing()) {
        // The stored path follows the folder when the code changes and one was stored before.
        if (setFilePath || (!before.isEmpty() && !set.text(FilePath).isEmpty()))
            set.setValue(FilePath, QDir::toNativeSeparators(folder));
        set.post(); // a refusal of the store leaves the row in editing and the disk untouched
    }
    moveFolder(before, code);
    showFolder(code);
    return true;
}

// The folder of a referrer whose code changed goes along, unless the new name is taken.
void ReferrerRules::moveFolder(const QString &before, const QString &code)
{
    if (before.isEmpty())
        return;
    const auto old = RecordFolders::referrerFolder(before);
    const QString folder = *RecordFolders::referrerFolder(code);
    if (old && QFileInfo(*old).isDir() && !QFileInfo::exists(folder))
        QDir().rename(*old, folder);
}

bool ReferrerRules::remove()
{
    store::Dataset &set = m_form.referrers();
    if (!set.isOpen() || set.isEmpty())
        return false;
    // The records name the code the store holds, not one being typed.
    const QString id = set.state() == store::Dataset::State::Insert
                           ? set.text(Code)
                           : set.storedValue(Code).toString();
    if (store::referrerHasRecords(m_ws.dm, id)) {
        MessageBox::warning(window(),
                            QStringLiteral("对不起，该业务员存在业务资料信息，不能删除！"));
        return false;
    }
    if (!MessageBox::confirm(window(), QStringLiteral("您真的要删除该业务员资料吗？")))
        return false;
    set.remove();
    return true;
}

void ReferrerRules::showFolder(const QString &code)
{
    const QString parent = RecordFolders::operatersFolder();
    RecordFolders::ensure(parent);
    m_ws.host.showFolder(parent);
    if (code.isEmpty())
        return;
    if (const auto folder = RecordFolders::referrerFolder(code)) {
        RecordFolders::ensure(*folder);
        m_ws.host.showFolder(*folder);
    }
}
