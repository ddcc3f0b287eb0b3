// Describe of select-list expressions on the embedded engine: the type, size, precision
// and scale OCI reports (which set the console's column widths) and what CREATE TABLE AS
// SELECT records for them, and that every value fits its described size.
#include "oci_session.h"

#include <filesystem>

namespace {

class DescribeSizes : public ::testing::Test {
protected:
    void SetUp() override {
        std::string home = test_home();
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(home) / "databases", ignored);
        ASSERT_NE(test_oci(), nullptr);
        ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
        std::string error;
        ASSERT_TRUE(create_emp_table(s, &error)) << error;
        ASSERT_EQ(s.exec("create table money (amount number(7,2), label varchar2(10 char), stamp timestamp, "
                         "hiredate date)"),
                  OCI_SUCCESS)
            << s.error_text();
        ASSERT_EQ(s.exec("insert into money values (-12345.67, 'ÄÖÜäöüßéèê', timestamp '2026-09-30 23:59:58.123456', "
                         "date '1980-12-17')"),
                  OCI_SUCCESS)
            << s.error_text();
    }
    // The first column's type code, DATA_SIZE, precision, scale and (for text) CHAR_SIZE.
    std::string describe(const std::string& sql) {
        OciStatement st(s, sql);
        if (st.execute(0) != OCI_SUCCESS) return s.error_text();
        void* p = nullptr;
        EXPECT_EQ(s.oci->OCIParamGet(st.stmt, OCI_HTYPE_STMT, s.err, &p, 1), OCI_SUCCESS);
        ub2 type = 0, size = 0, chars = 0;
        sb2 precision = 0;
        sb1 scale = 0;
        ub1 char_used = 0;
        s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &type, nullptr, OCI_ATTR_DATA_TYPE, s.err);
        s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &size, nullptr, OCI_ATTR_DATA_SIZE, s.err);
        s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &precision, nullptr, OCI_ATTR_PRECISION, s.err);
        s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &scale, nullptr, OCI_ATTR_SCALE, s.err);
        std::string shown = std::to_string(type) + " " + std::to_string(size);
        if (type == 2) shown += " " + std::to_string(precision) + "," + std::to_string(scale);
        if (type == 1 || type == 96) {
            s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &char_used, nullptr, OCI_ATTR_CHAR_USED, s.err);
            s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &chars, nullptr, OCI_ATTR_CHAR_SIZE, s.err);
            if (char_used) shown += " char " + std::to_string(chars);
        }
        s.oci->OCIDescriptorFree(p, OCI_DTYPE_PARAM);
        return shown;
    }
    OciSession s;
};

TEST_F(DescribeSizes, ExpressionsAreSizedAsOracleDoes) {
    struct Case {
        const char* expr;
        const char* from;
        const char* described;
    };
    const Case cases[] = {
        {"to_char(hiredate, 'YYYY')", "money", "1 4"},
        {"to_char(hiredate, 'fmDD Month YYYY')", "money", "1 17"},
        {"to_char(hiredate, 'Day, DDth MON HH24:MI:SS')", "money", "1 28"},
        {"to_char(hiredate, '\"Year\" YYYY')", "money", "1 9"},
        {"to_char(hiredate, 'Ddspth')", "money", "1 44"},
        {"to_char(stamp, 'HH24:MI:SS.FF3')", "money", "1 12"},
        {"to_char(stamp, 'FF')", "money", "1 6"},
        {"to_char(hiredate)", "money", "1 9"},
        {"to_char(stamp)", "money", "1 28"},
        {"to_char(systimestamp)", "dual", "1 35"},
        {"to_char(sal, '99,999.00')", "emp", "1 10"},
        {"to_char(amount, 'FM99990.00')", "money", "1 11"},
        {"to_char(sal, '9.99EEEE')", "emp", "1 10"},
        {"to_char(sal, 'RN')", "emp", "1 15"},
        {"to_char(amount / 7, 'TM')", "money", "1 64"},
        {"to_char(amount / 7, substr('TM9', 1, 2))", "money", "1 64"},
        {"to_char(sal)", "emp", "1 40"},
        {"to_char(amount * 3)", "money", "1 47"},
        {"to_char(1.234567890123456789012345678901234567E-130)", "dual", "1 43"},
        {"to_char(-1/3 * 1e-100)", "dual", "1 47"},
        {"to_char(-2/3 * 1e100)", "dual", "1 47"},
        {"to_char(-1/7)", "dual", "1 47"},
        {"'n=' || (-1/3 * 1e-100)", "dual", "1 49"},
        {"'n=' || amount", "money", "1 42"},
        {"to_char(cast(-1/3 as number(38, 38)))", "dual", "1 40"},
        {"to_char(cast(1 as number(5, -84)))", "dual", "1 40"},
        {"cast(-1/3 * 1e-100 as varchar2(47))", "dual", "1 47"},
        {"2.5d", "dual", "101 8"},
        {"1.5e3f", "dual", "100 4"},
        {"binary_double_infinity", "dual", "101 8"},
        {"2f * 1d", "dual", "101 8"},
        {"'abc'", "dual", "96 3"},
        {"substr(ename, 1, 3)", "emp", "1 12 char 3"},
        {"substr(ename, 3)", "emp", "1 8"},
        {"substr(ename, -2)", "emp", "1 10"},
        {"substrb(ename, 2, 4)", "emp", "1 4"},
        {"substr(label, 2, 20)", "money", "1 36 char 9"},
        {"substr(ename, 1, empno)", "emp", "1 10"},
        {"lpad(ename, 12)", "emp", "1 48 char 12"},
        {"rpad(label, 3, '*')", "money", "1 12 char 3"},
        {"upper(ename)", "emp", "1 10"},
        {"trim(job)", "emp", "1 9"},
        {"replace(ename, 'A')", "emp", "1 10"},
        {"replace(ename, 'AB', 'x')", "emp", "1 10"},
        {"replace(ename, 'A', 'xyz')", "emp", "1 30"},
        {"replace(ename, job, 'x')", "emp", "1 4000"},
        {"ename || '-' || job", "emp", "1 20"},
        {"nvl(ename, job)", "emp", "1 10"},
        {"coalesce(job, ename, 'unknown')", "emp", "1 10"},
        {"decode(deptno, 10, 'ACCOUNTING', 'OTHER')", "emp", "1 10"},
        {"case when sal > 2000 then 'HIGH' else ename end", "emp", "1 10"},
        {"cast(ename as varchar2(25))", "emp", "1 25"},
        {"amount", "money", "2 22 7,2"},
        {"sum(amount)", "money", "2 22 0,-127"},
        {"count(amount)", "money", "2 22 0,-127"},
        {"max(amount)", "money", "2 22 7,2"},
        {"amount * 2", "money", "2 22 0,-127"},
        {"hiredate", "money", "12 7"},
    };
    for (const Case& c : cases) {
        std::string select = std::string("select ") + c.expr + " from " + c.from;
        EXPECT_EQ(describe(select), c.described) << c.expr;
        // Every text value fits the described size: no text is cut on fetch.
        const std::string code = std::string(c.described).substr(0, 2);
        if (code != "1 " && code != "96") continue;
        std::string widest =
            s.value(std::string("select nvl(max(lengthb(v)), 0) from (select ") + c.expr + " v from " + c.from + ")");
        std::string size = c.described;
        size = size.substr(size.find(' ') + 1);
        size = size.substr(0, size.find(' '));
        EXPECT_LE(std::stoi(widest), std::stoi(size)) << c.expr;
    }
    // The values themselves are whole.
    EXPECT_EQ(s.value("select to_char(hiredate, 'fmDD Month YYYY') from money"), "17 December 1980");
    EXPECT_EQ(s.value("select to_char(amount, 'FM99990.00') from money"), "-12345.67");
    EXPECT_EQ(s.value("select substr(label, 2, 20) from money"), "ÖÜäöüßéèê");
    EXPECT_EQ(s.value("select rpad(label, 3, '*') from money"), "ÄÖÜ");
}

TEST_F(DescribeSizes, CreateTableAsSelectRecordsTheSameSizes) {
    ASSERT_EQ(s.exec("create table emp_years as select to_char(hiredate, 'YYYY') y, substr(label, 1, 3) s, "
                     "lpad(label, 12) p, to_char(amount, '99,999.00') m, sum(amount) total from money "
                     "group by to_char(hiredate, 'YYYY'), substr(label, 1, 3), lpad(label, 12), "
                     "to_char(amount, '99,999.00')"),
              OCI_SUCCESS)
        << s.error_text();
    auto rows = s.rows(
        "select column_name, data_type, data_length, char_length, char_used from user_tab_columns "
        "where table_name = 'EMP_YEARS' order by column_id");
    std::vector<std::string> expected = {"Y|VARCHAR2|4|4|B", "S|VARCHAR2|12|3|C", "P|VARCHAR2|48|12|C",
                                         "M|VARCHAR2|10|10|B", "TOTAL|NUMBER|22|0|<null>"};
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(s.value("select count(*) from emp_years where y = '1980'"), "1");
}

}  // namespace
