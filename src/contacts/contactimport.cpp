#include "contactimport.h"

importing::ImportList contactImportList()
{
    importing::ImportList l;
    l.name = QStringLiteral("联系人资料");
    l.table = QStringLiteral("tblLinkmans");
    l.key = QStringLiteral("LinkmanID");
    l.required = {QStringLiteral("LinkmanID"), QStringLiteral("Name"), QStringLiteral("CustID")};
    l.addField("LinkmanID", {"联系人代码"});
    l.addField("Name", {"姓名", "联系人姓名"});
    l.addField("NickName", {"称呼"});
    l.addField("CustID", {"客户名称", "商务代理", "商务代理名称", "CustName"});
    l.addField("Department", {"部门"});
    l.addField("Duty", {"职务"});
    l.addField("Main", {"是否主要联系人"});
    l.addField("Telephone", {"联系电话"});
    l.addField("Fax", {"传真"});
    l.addField("Mobile", {"移动电话"});
    l.addField("HomeAddress", {"家庭地址", "详细地址"});
    l.addField("Email", {"Email邮箱"});
    l.addField("HomePage", {"主页"});
    l.addField("Enjoy", {"兴趣爱好"});
    l.addField("SpecialDate", {"特殊纪念日"});
    l.addField("Memo", {"备注"});
    l.addLookup("CustID", "tblCustomers", "CustId", "CustName", true);
    l.nameField = QStringLiteral("Name");
    l.phoneField = QStringLiteral("Telephone");
    l.emailField = QStringLiteral("Email");
    l.ownership = true;
    return l;
}
