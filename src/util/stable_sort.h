// A stable sort of a vector by std::sort with the original position as the
// last key. libstdc++ 12's std::stable_sort is built on its own
// std::get_temporary_buffer, which it marks deprecated in C++20, and clang
// reports that inside our code under -Werror; this avoids it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <numeric>
#include <utility>
#include <vector>

namespace gvc {

template <typename T, typename Compare>
void StableSort(std::vector<T>& items, Compare before) {
    std::vector<std::size_t> order(items.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        if (before(items[a], items[b])) return true;
        if (before(items[b], items[a])) return false;
        return a < b;
    });
    std::vector<T> sorted;
    sorted.reserve(items.size());
    for (const std::size_t i : order)
        sorted.push_back(std::move(items[i]));
    items = std::move(sorted);
}

}  // namespace gvc
