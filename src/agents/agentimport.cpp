#include "agentimport.h"

#include "recordfolders.h"

importing::ImportList agentImportList()
{
    importing::ImportList l;
    l.name = QStringLiteral("商务代理资料");
    l.table = QStringLiteral("tblCustomers");
    l.key = QStringLiteral("CustId");
    l.required = {QStringLiteral("CustId"), QStringLiteral("CustName")};
    l.addField("CustId", {"代理编号", "CustID"});
    l.addField("CustName", {"商务代理名称", "代理名称"});
    l.addField("CountryID", {"国家/地区", "CountryName"});
    l.addField("DistID", {"省份", "DistName"});
    l.addField("City", {"城市"});
    l.addField("PostCode", {"邮政编码"});
    l.addField("Telephone", {"联系电话"});
    l.addField("Fax", {"传真"});
    l.addField("MainLinkman", {"主要联系人", "主联系人"});
    l.addField("MainTelephone", {"手机"});
    l.addField("Address", {"地址", "详细地址"});
    l.addField("Email", {"Email邮箱"});
    l.addField("HomePage", {"主页"});
    l.addField("VocationID", {"行业类型", "行业类别", "VocationName"});
    l.addField("OriginID", {"商务代理来源", "代理来源", "OriginName"});
    l.addField("LevelID", {"商务代理级别", "代理级别", "LevelName"});
    l.addField("StateId", {"联络状态", "StateName", "State"});
    l.addField("CreateDate", {"建档日期"});
    l.addField("OperaterID", {"推荐人/单位", "Operater"});
    l.addField("Memo", {"备注"});
    l.addLookup("CountryID", "tblCountry", "CountryID", "CountryName");
    l.addLookup("DistID", "tblCustDist", "DistID", "DistName");
    l.addLookup("VocationID", "tblVocation", "VocationId", "VocationName");
    l.addLookup("OriginID", "tblCustOrigin", "OriginID", "OriginName");
    l.addLookup("LevelID", "tblCustLevel", "LevelID", "LevelName");
    l.addLookup("StateId", "tblCustState", "StateID", "StateName");
    l.addLookup("OperaterID", "tblOperaters", "OperaterID", "Name");
    l.nameField = QStringLiteral("CustName");
    l.phoneField = QStringLiteral("Telephone");
    l.emailField = QStringLiteral("Email");
    l.ownership = true;
    l.refuseCode = [](const QString &code) -> std::optional<QString> {
        if (RecordFolders::isSafeCode(code))
            return std::nullopt;
        return RecordFolders::refusalText(code);
    };
    return l;
}
