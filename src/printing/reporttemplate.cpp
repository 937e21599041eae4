#include "reporttemplate.h"

#include <QRegularExpression>
#include <QVariantMap>
#include <deque>
#include <kainjow/mustache.hpp>

namespace mu = kainjow::mustache;

namespace
{

mu::data toData(const QVariant &v)
{
    if (v.typeId() == QMetaType::Bool)
        return mu::data(v.toBool());
    if (v.typeId() == QMetaType::QVariantMap) {
        mu::data object;
        const QVariantMap map = v.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            const mu::data value = toData(it.value());
            object.set(it.key().toStdString(), value);
            object.set(it.key().toLower().toStdString(), value); // names match without letter case
        }
        return object;
    }
    return mu::data(v.toString().toStdString());
}

// What a template sees: the sections it stands in first (an object pushed by {{#sender}}),
// then whatever the report resolves by the name.
class Context : public mu::basic_context<std::string>
{
  public:
    explicit Context(const ReportTemplate::Resolver &resolve) : m_resolve(resolve) {}

    void push(const mu::data *data) override { m_items.insert(m_items.begin(), data); }
    void pop() override { m_items.erase(m_items.begin()); }

    const mu::data *get(const std::string &name) const override
    {
        if (name == ".")
            return m_items.empty() ? nullptr : m_items.front();
        if (name.find('.') == std::string::npos) {
            for (const mu::data *item : m_items) {
                if (const mu::data *v = item->get(name))
                    return v;
                if (const mu::data *v = item->get(QString::fromStdString(name).toLower().toStdString()))
                    return v;
            }
        }
        const QVariant v = m_resolve(QString::fromStdString(name));
        if (!v.isValid())
            return nullptr;
        m_values.push_back(toData(v));
        return &m_values.back();
    }
    const mu::data *get_partial(const std::string &) const override { return nullptr; }

  private:
    const ReportTemplate::Resolver &m_resolve;
    std::vector<const mu::data *> m_items;
    mutable std::deque<mu::data> m_values; // stable addresses for what get() hands out
};

} // namespace

struct ReportTemplate::Compiled {
    explicit Compiled(const std::string &text) : mustache(text) {}
    mu::mustache mustache;
};

ReportTemplate::ReportTemplate() = default;
ReportTemplate::ReportTemplate(ReportTemplate &&) noexcept = default;
ReportTemplate &ReportTemplate::operator=(ReportTemplate &&) noexcept = default;
ReportTemplate::~ReportTemplate() = default;

ReportTemplate::ReportTemplate(const QString &text, bool html)
    : m_text(text), m_compiled(std::make_unique<Compiled>(text.toStdString()))
{
    if (!html)
        m_compiled->mustache.set_custom_escape([](const std::string &s) { return s; });
    static const QRegularExpression single(QStringLiteral("^\\s*\\{\\{\\{?\\s*([^#^/!>=&{}\\s.][^{}\\s]*)\\s*\\}?\\}\\}\\s*$"));
    const auto m = single.match(text);
    if (m.hasMatch() && isValid())
        m_single = m.captured(1);
}

bool ReportTemplate::isValid() const
{
    return !m_compiled || m_compiled->mustache.is_valid();
}

QString ReportTemplate::error() const
{
    return m_compiled ? QString::fromStdString(m_compiled->mustache.error_message()) : QString();
}

QString ReportTemplate::render(const Resolver &resolve) const
{
    if (!m_compiled || !isValid())
        return {};
    Context context(resolve);
    return QString::fromStdString(m_compiled->mustache.render(context));
}
