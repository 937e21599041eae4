#pragma once

#include <QString>

#include <initializer_list>

namespace store::Money {

// Money is kept to four decimals. Below this bound every such amount, and every sum of them,
// is exact to four decimals as a double, which is how the program computes and shows it on
// both engines; the store refuses larger amounts.
inline constexpr double Limit = 1e11;

// The amount to four decimals (halves away from zero).
double round(double amount);
bool inRange(double amount);
// The product of the factors rounded to four decimals (halves away from zero) as decimal
// arithmetic gives it: each factor is taken as the shortest decimal its double stands for
// (0.1 is 0.1, not 0.1000000000000000055...), multiplied exactly, and only the result is
// rounded. 0.0005 x 1.5 is 0.0008, where binary doubles give 0.0007. A factor that is not a
// finite number makes the result one too, which the store then refuses.
double product(std::initializer_list<double> factors);
// The amount as exact decimal text: at least two decimals, at most four, no trailing zeros
// beyond the second ("12.50", "0.3333", "-7.00").
QString text(double amount);
// The amount as printed on reports: two fixed decimals, halves away from zero ("2.68" for
// 2.675), never "-0.00".
QString fixed2(double amount);

// Adds amounts of four decimals exactly, however many and however large the sum: each is
// taken as whole ten-thousandths.
class Total
{
public:
    void add(double amount);
    double value() const;

private:
    __extension__ __int128 m_units = 0;
};

} // namespace store::Money
