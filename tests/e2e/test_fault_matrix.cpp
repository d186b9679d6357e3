// The fault matrix: every fault of the simulated unit, modem and port struck
// during every operation the operator starts, end to end through the main
// window. docs/fault-matrix.md keeps the table; every cell must read there as
// this run saw it, so the document cannot drift from the program.
//
//     ORB_FAULT_MATRIX_WRITE=1 fault_matrix_test    writes what it sees into it

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <iostream>
#include <tuple>

#include "FaultCell.h"
#include "MatrixTable.h"
#include "OperatorWords.h"

namespace {

const char* const DocFile = ORB_FAULT_MATRIX_DOC;
const char* const MatrixCorner = "Fault";
const char* const LegendCorner = "Operation";
const char* const LegendColumn = "The fault strikes";

bool Writing() {
    const char* value = std::getenv("ORB_FAULT_MATRIX_WRITE");
    return value && std::string(value) == "1";
}

std::vector<std::string> FaultNames() {
    std::vector<std::string> names;
    for (TFault f : AllFaults())
        names.push_back(FaultName(f));
    return names;
}

std::vector<std::string> OperationNames() {
    std::vector<std::string> names;
    for (TOperation o : AllOperations())
        names.push_back(OperationName(o));
    return names;
}

// A test name part: the table's name without what gtest does not take.
std::string Ident(const std::string& name) {
    std::string id;
    bool upper = true;
    for (unsigned char c : name) {
        if (std::isalnum(c)) {
            id += upper ? static_cast<char>(std::toupper(c)) : static_cast<char>(c);
            upper = false;
        } else if (c < 0x80) {
            upper = true;
        }
    }
    return id;
}

class FaultMatrix : public ::testing::TestWithParam<std::tuple<TFault, TOperation>> {};

} // namespace

TEST_P(FaultMatrix, Cell) {
    const auto [fault, operation] = GetParam();
    const std::string row = FaultName(fault);
    const std::string column = OperationName(operation);
    const TCellResult result = RunCell(fault, operation);
    for (const std::string& failure : result.Failures)
        ADD_FAILURE() << failure;
    // Messages, splash, status, lamps and memo lines alike.
    EXPECT_EQ(ControlNameIn(result.Text), std::nullopt) << result.Text;
    std::cout << "[ cell ] " << row << " / " << column << ": " << result.Ms << " ms (promised "
              << result.PromiseMs << ")\n  " << result.Text << std::endl;

    TMatrixTable table(MatrixCorner);
    if (Writing()) {
        ASSERT_TRUE(
            table.Update(DocFile, {{{row, column}, result.Text}}, FaultNames(), OperationNames()));
        return;
    }
    ASSERT_TRUE(table.Load(DocFile)) << DocFile;
    EXPECT_EQ(table.Cell(row, column).value_or("(no such cell)"), result.Text)
        << DocFile << " says otherwise; if the program changed on purpose, "
        << "ORB_FAULT_MATRIX_WRITE=1 rewrites the table";
}

INSTANTIATE_TEST_SUITE_P(Cells, FaultMatrix,
                         ::testing::Combine(::testing::ValuesIn(AllFaults()),
                                            ::testing::ValuesIn(AllOperations())),
                         [](const auto& cell) {
                             return Ident(FaultName(std::get<0>(cell.param))) + "__" +
                                    Ident(OperationName(std::get<1>(cell.param)));
                         });

// The table has exactly the rows and columns the runs fill, and its legend
// says where each operation is struck.
TEST(FaultMatrixTable, OneRowPerFaultOneColumnPerOperation) {
    TMatrixTable legend(LegendCorner);
    if (Writing()) {
        TMatrixTable::TCells cells;
        for (TOperation o : AllOperations())
            cells[{OperationName(o), LegendColumn}] = StrikePoint(o);
        ASSERT_TRUE(legend.Update(DocFile, cells, OperationNames(), {LegendColumn}));
    }
    TMatrixTable table(MatrixCorner);
    ASSERT_TRUE(table.Load(DocFile)) << DocFile;
    EXPECT_EQ(table.Rows(), FaultNames());
    EXPECT_EQ(table.Columns(), OperationNames());
    ASSERT_TRUE(legend.Load(DocFile));
    EXPECT_EQ(legend.Rows(), OperationNames());
    for (TOperation o : AllOperations())
        EXPECT_EQ(legend.Cell(OperationName(o), LegendColumn), StrikePoint(o));
}
