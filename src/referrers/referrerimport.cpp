#include "referrerimport.h"

#include "recordfolders.h"

importing::ImportList referrerImportList()
{
    importing::ImportList l;
    l.name = QStringLiteral("推荐人/单位资料");
    l.table = QStringLiteral("tblOperaters");
    l.key = QStringLiteral("OperaterID");
    l.required = {QStringLiteral("OperaterID"), QStringLiteral("Name")};
    l.addField("OperaterID", {"推荐人代码"});
    l.addField("Name", {"名称"});
    l.addField("NickName", {"联系人"});
    l.addField("DepartmentID", {"部门"});
    l.addField("Duty", {"职务"});
    l.addField("Native", {"籍贯"});
    l.addField("Sex", {"性别"});
    l.addField("Education", {"学历"});
    l.addField("Birth", {"出生年月"});
    l.addField("ID", {"身份证号"});
    l.addField("CTelephone", {"办公电话"});
    l.addField("Fax", {"传真"});
    l.addField("HTelephone", {"家庭电话"});
    l.addField("Mobile", {"移动电话"});
    l.addField("Address", {"住址"});
    l.addField("Email", {"Email邮箱"});
    l.addField("HomePage", {"主页"});
    l.addField("Memo", {"备注"});
    l.addField("InTime", {"入职时间"});
    l.addField("OutTime", {"离职时间"});
    l.addField("OutReason", {"离职原因"});
    l.addField("State", {"在职状态"});
    l.choices.insert(QStringLiteral("Sex"), {QStringLiteral("男"), QStringLiteral("女")});
    l.choices.insert(QStringLiteral("Education"),
                     {QStringLiteral("专科"), QStringLiteral("本科"), QStringLiteral("硕士"),
                      QStringLiteral("中专"), QStringLiteral("高中"), QStringLiteral("初中")});
    l.choices.insert(QStringLiteral("State"), {QStringLiteral("在职"), QStringLiteral("离职")});
    l.nameField = QStringLiteral("Name");
    l.phoneField = QStringLiteral("CTelephone");
    l.emailField = QStringLiteral("Email");
    // The code names the referrer's document folder.
    l.refuseCode = [](const QString &code) -> std::optional<QString> {
        if (RecordFolders::isSafeCode(code))
            return std::nullopt;
        return RecordFolders::refusalText(code);
    };
    return l;
}
