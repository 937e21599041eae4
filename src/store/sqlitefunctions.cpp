#include "sqlitefunctions.h"

#include "searchindex.h"

#include <QByteArray>
#include <QString>
#include <cmath>
#include <cstdint>
#include <sqlite3.h>

namespace store::SqliteFunctions {

namespace {

// year() and month() of the store's query dialect, over our ISO date texts.
void datePart(sqlite3_context *ctx, int, sqlite3_value **argv, int from, int length)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
    const QByteArray s(text ? text : "");
    bool ok = false;
    const int v = s.mid(from, length).toInt(&ok);
    if (ok)
        sqlite3_result_int(ctx, v);
    else
        sqlite3_result_null(ctx);
}
// Letter case is ignored in every script, not only in ASCII as SQLite's own NOCASE does.
// Grouping and indexes compare mostly equal values, or values with a long common start: the
// identical start is passed over byte by byte, and only the rest from the first differing
// character on is compared (as ASCII, or as text when it holds other characters).
int compareNoCase(void *, int n1, const void *p1, int n2, const void *p2)
{
    const auto *a = static_cast<const unsigned char *>(p1);
    const auto *b = static_cast<const unsigned char *>(p2);
    const int common = qMin(n1, n2);
    int i = 0;
    while (i < common && a[i] == b[i])
        ++i;
    if (i == n1 && i == n2)
        return 0;
    // Back to the first byte of the character the two differ in: the start before it is the same.
    const auto continuation = [](const unsigned char *s, int n, int at) { return at < n && (s[at] & 0xC0) == 0x80; };
    while (i > 0 && (continuation(a, n1, i) || continuation(b, n2, i)))
        --i;
    a += i;
    b += i;
    n1 -= i;
    n2 -= i;
    bool ascii = true;
    for (int k = 0; k < n1 && ascii; ++k)
        ascii = a[k] < 0x80;
    for (int k = 0; k < n2 && ascii; ++k)
        ascii = b[k] < 0x80;
    if (ascii) {
        const int r = sqlite3_strnicmp(reinterpret_cast<const char *>(a), reinterpret_cast<const char *>(b), qMin(n1, n2));
        return r != 0 ? r : n1 - n2;
    }
    return QString::fromUtf8(reinterpret_cast<const char *>(a), n1)
        .compare(QString::fromUtf8(reinterpret_cast<const char *>(b), n2), Qt::CaseInsensitive);
}

// LIKE with "%" and "_" and an optional escape character, without regard to letter case.
bool likeMatch(const QString &p, int pi, const QString &t, int ti, QChar escape)
{
    while (pi < p.size()) {
        const QChar c = p[pi];
        if (c == escape && pi + 1 < p.size()) {
            if (ti >= t.size() || t[ti] != p[pi + 1])
                return false;
            pi += 2;
            ++ti;
        } else if (c == QLatin1Char('%')) {
            while (pi < p.size() && p[pi] == QLatin1Char('%'))
                ++pi;
            if (pi == p.size())
                return true;
            for (int k = ti; k <= t.size(); ++k)
                if (likeMatch(p, pi, t, k, escape))
                    return true;
            return false;
        } else {
            if (ti >= t.size() || (c != QLatin1Char('_') && c != t[ti]))
                return false;
            ++pi;
            ++ti;
        }
    }
    return ti == t.size();
}

void likeFn(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto text = [](sqlite3_value *v) {
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(v)), sqlite3_value_bytes(v))
            .toCaseFolded();
    };
    QChar escape;
    if (argc == 3) {
        const QString e = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(argv[2])));
        if (e.size() != 1) {
            sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
            return;
        }
        escape = e[0];
    }
    // like(pattern, text[, escape]) is how SQLite calls the operator "text LIKE pattern".
    sqlite3_result_int(ctx, likeMatch(text(argv[0]), 0, text(argv[1]), 0, escape) ? 1 : 0);
}

void yearFn(sqlite3_context *c, int n, sqlite3_value **v) { datePart(c, n, v, 0, 4); }
void monthFn(sqlite3_context *c, int n, sqlite3_value **v) { datePart(c, n, v, 5, 2); }
void dayFn(sqlite3_context *c, int n, sqlite3_value **v) { datePart(c, n, v, 8, 2); }

// sum() and total() add money exactly. A money value is stored as the double nearest to an
// amount of four decimals; such values are added as whole ten-thousandths, so a sum over a
// million records comes out to the last decimal instead of drifting with rounding errors.
// Other reals are added with compensation; integers stay integers, as SQLite's sum does.
__extension__ typedef __int128 Wide; // sums of many large amounts stay exact

struct ExactSum
{
    Wide tenThousandths = 0; // money-like reals
    double other = 0, compensation = 0;
    qint64 integers = 0;
    bool anyReal = false, anyValue = false, overflow = false;

    void addReal(double x)
    {
        anyReal = true;
        const double scaled = x * 10000.0;
        const double whole = std::nearbyint(scaled);
        if (std::isfinite(scaled) && std::fabs(scaled) < 9e15 &&
            std::fabs(scaled - whole) <= std::fabs(scaled) * 4e-16) {
            tenThousandths += static_cast<Wide>(whole);
            return;
        }
        // Neumaier's compensated sum for the rest.
        const double t = other + x;
        compensation += std::fabs(other) >= std::fabs(x) ? (other - t) + x : (x - t) + other;
        other = t;
    }
    void addInteger(qint64 v)
    {
        if (__builtin_add_overflow(integers, v, &integers))
            overflow = true;
    }
    double real() const
    {
        const long double money = static_cast<long double>(tenThousandths) / 10000.0L;
        return static_cast<double>(money + static_cast<long double>(integers) + other + compensation);
    }
};

// The state of one sum in SQLite's memory for it. That memory is aligned to 8 bytes only (a
// lookaside slot), the 128-bit counter needs 16: the state starts at the first address inside
// it that suits. SQLite hands the same memory to every call of one sum, zeroed at first.
ExactSum *sumState(sqlite3_context *ctx, bool make)
{
    constexpr std::uintptr_t align = alignof(ExactSum);
    void *raw = sqlite3_aggregate_context(ctx, make ? int(sizeof(ExactSum) + align) : 0);
    if (!raw)
        return nullptr;
    return reinterpret_cast<ExactSum *>((reinterpret_cast<std::uintptr_t>(raw) + align - 1) &
                                        ~(align - 1));
}

void sumStep(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    auto *s = sumState(ctx, true);
    if (!s)
        return;
    switch (sqlite3_value_numeric_type(argv[0])) {
    case SQLITE_NULL:
        return;
    case SQLITE_INTEGER:
        s->addInteger(sqlite3_value_int64(argv[0]));
        break;
    default:
        s->addReal(sqlite3_value_double(argv[0]));
    }
    s->anyValue = true;
}

void sumFinal(sqlite3_context *ctx)
{
    const auto *s = sumState(ctx, false);
    if (!s || !s->anyValue) {
        sqlite3_result_null(ctx);
        return;
    }
    if (!s->anyReal) {
        if (s->overflow)
            sqlite3_result_error(ctx, "integer overflow", -1);
        else
            sqlite3_result_int64(ctx, s->integers);
        return;
    }
    sqlite3_result_double(ctx, s->real());
}

void totalFinal(sqlite3_context *ctx)
{
    const auto *s = sumState(ctx, false);
    sqlite3_result_double(ctx, s ? s->real() : 0.0);
}

// The grams of a search text as the tokens its FTS5 index holds (see SearchIndex).
void searchGramsFn(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
    const QByteArray tokens =
        SearchIndex::gramTokens(QString::fromUtf8(text, sqlite3_value_bytes(argv[0])));
    sqlite3_result_text(ctx, tokens.constData(), int(tokens.size()), SQLITE_TRANSIENT);
}

} // namespace

void install(sqlite3 *h)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(h, "year", 1, flags, nullptr, yearFn, nullptr, nullptr);
    sqlite3_create_function(h, "month", 1, flags, nullptr, monthFn, nullptr, nullptr);
    sqlite3_create_function(h, "day", 1, flags, nullptr, dayFn, nullptr, nullptr);
    sqlite3_create_collation_v2(h, "NOCASE", SQLITE_UTF8, nullptr, compareNoCase, nullptr);
    for (int args : {2, 3})
        sqlite3_create_function(h, "like", args, flags, nullptr, likeFn, nullptr, nullptr);
    sqlite3_create_function(h, "sum", 1, flags, nullptr, nullptr, sumStep, sumFinal);
    sqlite3_create_function(h, "total", 1, flags, nullptr, nullptr, sumStep, totalFinal);
    sqlite3_create_function(h, "search_grams", 1, flags, nullptr, searchGramsFn, nullptr, nullptr);
}

} // namespace store::SqliteFunctions
