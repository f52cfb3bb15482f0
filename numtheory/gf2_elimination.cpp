#include "numtheory/gf2_elimination.h"

#include <cstddef>

using std::size_t;

IncrementalGf2::IncrementalGf2(int columns, int max_vectors)
    : m_columns(columns),
      m_max_vectors(max_vectors),
      m_vec_words((columns + 63) / 64),
      m_hist_words((max_vectors + 63) / 64),
      m_row_words(m_vec_words + m_hist_words),
      m_rows(static_cast<size_t>(columns) * static_cast<size_t>(m_row_words), 0),
      m_has_pivot(static_cast<size_t>(columns), 0) {}

bool IncrementalGf2::add(const std::vector<int>& ones, std::vector<int>& dependency) {
    dependency.clear();
    if (m_added >= m_max_vectors) return false;
    std::vector<uint64_t> row(static_cast<size_t>(m_row_words), 0);
    for (int c : ones) row[static_cast<size_t>(c >> 6)] ^= uint64_t{1} << (c & 63);
    const int index = m_added++;
    row[static_cast<size_t>(m_vec_words + (index >> 6))] |= uint64_t{1} << (index & 63);

    // Reduce from the lowest set column upwards: a pivot row clears its column
    // and changes only higher ones.
    int w = 0;
    while (w < m_vec_words) {
        const uint64_t word = row[static_cast<size_t>(w)];
        if (word == 0) {
            ++w;
            continue;
        }
        const int c = w * 64 + __builtin_ctzll(word);
        uint64_t* pivot = &m_rows[static_cast<size_t>(c) * static_cast<size_t>(m_row_words)];
        if (!m_has_pivot[static_cast<size_t>(c)]) {
            for (int i = 0; i < m_row_words; ++i) pivot[i] = row[static_cast<size_t>(i)];
            m_has_pivot[static_cast<size_t>(c)] = 1;
            ++m_pivot_count;
            return false;
        }
        // The pivot row has no bits below column c: start the xor at word w.
        for (int i = w; i < m_row_words; ++i) row[static_cast<size_t>(i)] ^= pivot[i];
    }
    for (int i = 0; i < m_hist_words; ++i) {
        uint64_t word = row[static_cast<size_t>(m_vec_words + i)];
        while (word != 0) {
            dependency.push_back(i * 64 + __builtin_ctzll(word));
            word &= word - 1;
        }
    }
    return true;
}
