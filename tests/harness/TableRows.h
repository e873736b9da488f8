#pragma once
// Data rows from a table of row structs, each with a `tag`: one QTest row per
// struct (so init() and cleanup() run around each), carrying its index.
#include <QtTest>

#include <cstddef>

template <class Row, std::size_t N> void TableRows(const Row (&rows)[N]) {
    QTest::addColumn<int>("row");
    for (std::size_t i = 0; i < N; ++i)
        QTest::newRow(rows[i].tag) << int(i);
}
// The struct of the row being run.
template <class Row, std::size_t N> const Row& CurrentRow(const Row (&rows)[N]) {
    QFETCH(int, row);
    return rows[row];
}
