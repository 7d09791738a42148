#pragma once

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

// What the benches say of a sample of timings (any container of numbers): its middle, a
// percentile, its mean and its extremes. An empty sample has no figure: NaN, printed "nan".
namespace benchstats {

template <class Values>
std::vector<double> sorted(const Values &values)
{
    std::vector<double> v(values.begin(), values.end());
    std::sort(v.begin(), v.end());
    return v;
}

} // namespace benchstats

// The middle value; for an even count, the mean of the two middle ones.
template <class Values>
double median(const Values &values)
{
    const std::vector<double> v = benchstats::sorted(values);
    const size_t n = v.size();
    if (n == 0)
        return NAN;
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The value below which the fraction p (0 to 1) of the sample lies: the sorted value nearest to
// p of the way from the smallest to the largest.
template <class Values>
double percentile(const Values &values, double p)
{
    const std::vector<double> v = benchstats::sorted(values);
    if (v.empty())
        return NAN;
    return v[std::min(v.size() - 1, size_t(p * (v.size() - 1) + 0.5))];
}

template <class Values>
double mean(const Values &values)
{
    const std::vector<double> v(values.begin(), values.end());
    return v.empty() ? NAN : std::accumulate(v.begin(), v.end(), 0.0) / v.size();
}

template <class Values>
double minimum(const Values &values)
{
    const std::vector<double> v(values.begin(), values.end());
    return v.empty() ? NAN : *std::min_element(v.begin(), v.end());
}

template <class Values>
double maximum(const Values &values)
{
    const std::vector<double> v(values.begin(), values.end());
    return v.empty() ? NAN : *std::max_element(v.begin(), v.end());
}
