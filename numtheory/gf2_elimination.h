// Incremental Gaussian elimination over GF(2) for the quadratic sieve.
//
// Each added vector is reduced against the pivot rows kept so far (a pivot row's
// lowest set bit is its pivot column, and no two rows share one). A vector that
// does not vanish becomes a new pivot row; one that vanishes is a dependency:
// the set of added vectors whose sum is zero, carried along as a history bit
// set beside every row.
#pragma once

#include <cstdint>
#include <vector>

class IncrementalGf2 {
   public:
    /// `columns` bits per vector; at most `max_vectors` vectors may be added.
    IncrementalGf2(int columns, int max_vectors);

    /// Adds the vector with ones at `ones` (column indices, duplicates cancel).
    /// Returns true and fills `dependency` with the indices (in the order of
    /// adding, counted from 0) of a set of added vectors summing to zero when
    /// the new vector reduces to zero; false when it became a pivot row (or when
    /// the vector limit is reached: then nothing is added).
    bool add(const std::vector<int>& ones, std::vector<int>& dependency);

    int pivot_rows() const { return m_pivot_count; }
    int vectors_added() const { return m_added; }
    bool full() const { return m_added >= m_max_vectors; }

   private:
    int m_columns;
    int m_max_vectors;
    int m_vec_words;
    int m_hist_words;
    int m_row_words;
    int m_added = 0;
    int m_pivot_count = 0;
    std::vector<uint64_t> m_rows;       // one row of m_row_words per pivot column
    std::vector<uint8_t> m_has_pivot;   // per column
};
