#pragma once

#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

// One template text of a layout: mustache tags over values the report resolves by name when
// it renders, so that a row never has to be copied into a mustache object whole. A value is
// a text, a yes/no (for sections), or a map (an object such as the sender, for {{#sender}}).
class ReportTemplate
{
  public:
    using Resolver = std::function<QVariant(const QString &name)>;

    ReportTemplate();
    // `html`: values are escaped for an HTML band; plain texts (cells, label lines) are not.
    ReportTemplate(const QString &text, bool html);
    ReportTemplate(ReportTemplate &&) noexcept;
    ReportTemplate &operator=(ReportTemplate &&) noexcept;
    ~ReportTemplate();

    bool isValid() const;
    QString error() const;
    QString text() const { return m_text; }
    // The name when the whole template is one plain tag ({{CustId}}): printed without
    // rendering, which is what makes a list of 100,000 rows fast.
    QString singleTag() const { return m_single; }

    QString render(const Resolver &resolve) const;

  private:
    struct Compiled;
    QString m_text;
    QString m_single;
    std::unique_ptr<Compiled> m_compiled;
};
