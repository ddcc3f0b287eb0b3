// Result export: the exact bytes of the CSV, XML and SQL insert files written from a
// result file's fixed-length records, the file name rule, clipboard rows, and that a
// failed export leaves neither a partial file nor a damaged old one.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "export/result_export.h"

namespace fs = std::filesystem;

namespace {

std::string field(const std::string& value, int width) {
    std::string f(static_cast<size_t>(width), '\0');
    f.replace(0, value.size(), value);
    return f;
}

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("vantro-export-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        source_.columns = {{"ENAME", 8, 1}, {"SAL", 6, 2}, {"HIRED ON", 10, 12}};
        source_.statement = "select ename, sal, hired from emp";
        source_.date_format = "DD-MON-RR";
        rows_ = field("O'Hara", 8) + field("100", 6) + field("01-JAN-24", 10) + field("a\"b<&>", 8) + field("", 6) +
                field("", 10);
        source_.file = std::tmpfile();
        ASSERT_NE(source_.file, nullptr);
        std::fwrite(rows_.data(), 1, rows_.size(), source_.file);
    }
    void TearDown() override {
        if (source_.file) std::fclose(source_.file);
        fs::remove_all(dir_);
    }
    std::string written(ExportFormat format) {
        const std::string name = (dir_ / "out").string();
        std::string error;
        EXPECT_EQ(export_write(source_, format, name, &error), 0) << error;
        std::ifstream in(name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path dir_;
    ExportSource source_;
    std::string rows_;
};

TEST_F(ExportTest, CsvQuotesEveryValueAndEndsWithAnEmptyLine) {
    EXPECT_EQ(written(ExportFormat::Csv),
              "ENAME;SAL;HIRED ON\r\n\"O'Hara\";\"100\";\"01-JAN-24\"\r\n\"a\"\"b<&>\";\"\";\"\"\r\n\r\n");
}

TEST_F(ExportTest, XmlEscapesValuesAndMakesHeadingsIntoElementNames) {
    source_.columns[1].name = "COUNT(*)";
    EXPECT_EQ(written(ExportFormat::Xml),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<ROWS>\r\n"
              "  <ROW num=\"1\">\r\n    <ENAME>O'Hara</ENAME>\r\n    <COUNT___>100</COUNT___>\r\n"
              "    <HIRED_ON>01-JAN-24</HIRED_ON>\r\n  </ROW>\r\n"
              "  <ROW num=\"2\">\r\n    <ENAME>a\"b&lt;&amp;&gt;</ENAME>\r\n    <COUNT___></COUNT___>\r\n"
              "    <HIRED_ON></HIRED_ON>\r\n  </ROW>\r\n</ROWS>\r\n");
}

TEST_F(ExportTest, SqlInsertsTargetTheQueryAndWriteEachValueByItsType) {
    const std::string head = "insert into (select ename, sal, hired from emp)\r\n(\"ENAME\",\"SAL\",\"HIRED ON\")\r\nvalues\r\n(";
    EXPECT_EQ(written(ExportFormat::Sql), "set scan off\r\n" + head + "'O''Hara',100,to_date('01-JAN-24','DD-MON-RR'))\r\n/\r\n" +
                                              head + "'a\"b<&>',NULL,NULL)\r\n/\r\n");
    // Without a date format a date is quoted text; a type without a rule of its own
    // (a timestamp) is quoted text too, never an empty position.
    source_.date_format.clear();
    source_.columns[1].datatype = 187;
    const std::string sql = written(ExportFormat::Sql);
    EXPECT_NE(sql.find("('O''Hara','100','01-JAN-24')"), std::string::npos) << sql;
    EXPECT_NE(sql.find("('a\"b<&>',NULL,NULL)"), std::string::npos) << sql;
}

TEST_F(ExportTest, HeadingsAndMultiLineValuesCannotBreakTheFilesStructure) {
    // A heading holding the separator or a quote is quoted; plain headings stay bare.
    source_.columns[0].name = "A;B";
    source_.columns[1].name = "SAY \"HI\"";
    const std::string csv = written(ExportFormat::Csv);
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")), "\"A;B\";\"SAY \"\"HI\"\"\";HIRED ON");
    // A value whose lines include one holding only "/" stays one line of the script, so
    // running it inserts the value whole instead of ending the statement early.
    source_.columns = {{"TXT", 12, 1}};
    const std::string value = "a\r\n/\nb'c\n";
    std::string rows = field(value, 12);
    std::fclose(source_.file);
    source_.file = std::tmpfile();
    ASSERT_NE(source_.file, nullptr);
    std::fwrite(rows.data(), 1, rows.size(), source_.file);
    const std::string sql = written(ExportFormat::Sql);
    EXPECT_NE(sql.find("('a'||chr(13)||chr(10)||'/'||chr(10)||'b''c'||chr(10))\r\n/\r\n"), std::string::npos) << sql;
    // The same text in a number column (found by fuzzing the writer) is quoted as well:
    // bare, its "/" line would end the insert early. Plain numbers stay bare.
    source_.columns = {{"N", 12, 2}, {"M", 12, 2}};
    rows = field(value, 12) + field("-1.5E+10", 12);
    std::fclose(source_.file);
    source_.file = std::tmpfile();
    ASSERT_NE(source_.file, nullptr);
    std::fwrite(rows.data(), 1, rows.size(), source_.file);
    const std::string numbers = written(ExportFormat::Sql);
    EXPECT_NE(numbers.find("('a'||chr(13)||chr(10)||'/'||chr(10)||'b''c'||chr(10),-1.5E+10)\r\n/\r\n"), std::string::npos)
        << numbers;
}

TEST_F(ExportTest, FileNamesGetTheFormatsExtensionOnlyWhenTheyHaveNone) {
    EXPECT_EQ(export_file_name("report", ExportFormat::Csv), "report.csv");
    EXPECT_EQ(export_file_name("a\\b.c\\name", ExportFormat::Xml), "a\\b.c\\name.xml");
    EXPECT_EQ(export_file_name("a/b.c/name", ExportFormat::Sql), "a/b.c/name.sql");
    EXPECT_EQ(export_file_name("rows.txt", ExportFormat::Csv), "rows.txt");
}

TEST_F(ExportTest, ClipboardRowsAreJoinedByCrLf) {
    EXPECT_EQ(export_rows_text(source_, {0, 1}, true), "O'Hara 100 01-JAN-24\r\na\"b<&>  ");
    EXPECT_EQ(export_rows_text(source_, {1}, false), "a\"b<&>");
    EXPECT_EQ(export_rows_text(source_, {5}, true), "") << "a row beyond the file is skipped";
}

TEST_F(ExportTest, AFailedExportLeavesNoPartialFileAndTheOldOneWhole) {
    const std::string name = (dir_ / "keep.csv").string();
    std::ofstream(name, std::ios::binary) << "old contents";
    // A result file that ends inside a row cannot be exported completely.
    std::fwrite("cut", 1, 3, source_.file);
    std::string error;
    EXPECT_EQ(export_write(source_, ExportFormat::Csv, name, &error), -1);
    EXPECT_FALSE(error.empty());
    std::ifstream in(name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "old contents");
    EXPECT_FALSE(fs::exists(name + ".tmp"));
    // A folder that does not exist: the system's error, nothing written.
    EXPECT_EQ(export_write(source_, ExportFormat::Xml, (dir_ / "no" / "such.xml").string(), &error), -1);
    EXPECT_FALSE(error.empty());
}

}  // namespace
