// JSON_TABLE on the embedded engine: rows from a row path, columns with JSON_VALUE's and
// JSON_QUERY's semantics, FOR ORDINALITY, EXISTS, NESTED PATH joined outer to its parent,
// documents in VARCHAR2 and BLOB correlated with the tables to its left, and the errors.
#include "oci_session.h"

#include <filesystem>

namespace {

class JsonTable : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string home = test_home();
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(home) / "databases", ignored);
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
  }
  void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
  using Rows = std::vector<std::string>;
  OciSession s;
};

TEST_F(JsonTable, NestedPathsJoinOuterToTheirParentAndFollowOneAnother) {
  const char* doc =
      "'[{\"a\":1,\"b\":[10,20],\"c\":[\"x\"]},{\"a\":2,\"b\":[]},{\"a\":3,\"c\":[\"y\",\"z\"]}]'";
  EXPECT_EQ(s.rows(std::string("select * from json_table(") + doc +
                   ", '$[*]' columns (n for ordinality, a number path '$.a',"
                   " nested path '$.b[*]' columns (bo for ordinality, b number path '$'),"
                   " nested path '$.c[*]' columns (c varchar2(5) path '$')))"),
            (Rows{"1|1|1|10|<null>", "1|1|2|20|<null>", "1|1|<null>|<null>|x", "2|2|<null>|<null>|<null>",
                  "3|3|<null>|<null>|y", "3|3|<null>|<null>|z"}));
  // Two levels deep, and a parent whose nested path finds nothing keeps its row.
  EXPECT_EQ(s.rows("select j.* from json_table('{\"o\":[{\"id\":1,\"l\":[{\"s\":[\"p\",\"q\"]}]},{\"id\":2}]}',"
                   " '$.o[*]' columns (id number, nested path '$.l[*]' columns ("
                   "   nested path '$.s[*]' columns (s varchar2(1) path '$')))) j"),
            (Rows{"1|p", "1|q", "2|<null>"}));
}

TEST_F(JsonTable, ReadsDocumentsOfTheTablesToItsLeft) {
  run("create table orders (id number, body blob)");
  run("insert into orders values (1, utl_raw.cast_to_raw("
      "'{\"cust\":\"Ann\",\"items\":[{\"sku\":\"A1\",\"qty\":2},{\"sku\":\"B2\",\"qty\":3.5}]}'))");
  run("insert into orders values (2, utl_raw.cast_to_raw('{\"cust\":\"Bob\",\"items\":[]}'))");
  run("insert into orders values (3, utl_raw.cast_to_raw('not json'))");
  run("insert into orders values (4, null)");
  EXPECT_EQ(s.rows("select o.id, j.cust, j.sku, j.qty * 2 from orders o, json_table(o.body, '$' columns ("
                   " cust varchar2(10) path '$.cust', nested path '$.items[*]' columns ("
                   "  sku varchar2(5) path '$.sku', qty number path '$.qty'))) j order by o.id, j.sku"),
            (Rows{"1|Ann|A1|4", "1|Ann|B2|7", "2|Bob|<null>|<null>"}));
  EXPECT_EQ(s.value("select sum(qty) from orders o, json_table(o.body, '$.items[*]' columns (qty number)) t"
                    " where o.id = 1"),
            "5.5");
  // The columns are the declared ones: a view over JSON_TABLE shows their names and types.
  run("create view order_lines as select o.id, j.* from orders o,"
      " json_table(o.body, '$.items[*]' columns (sku varchar2(5), qty number(5,1), line for ordinality)) j");
  EXPECT_EQ(s.rows("select column_name, data_type, data_length from user_tab_columns"
                   " where table_name = 'ORDER_LINES' order by column_id"),
            (Rows{"ID|NUMBER|22", "SKU|VARCHAR2|5", "QTY|NUMBER|22", "LINE|NUMBER|22"}));
  EXPECT_EQ(s.rows("select id, sku, line from order_lines where sku like 'B%'"), (Rows{"1|B2|2"}));
}

TEST_F(JsonTable, ColumnsConvertAsJsonValueAndJsonQueryDo) {
  EXPECT_EQ(s.rows("select * from json_table('{\"n\":\"12.5\",\"d\":\"2024-02-03T10:11:12\",\"o\":{\"k\":[1]},"
                   "\"t\":true,\"Mixed\":7}', '$' columns (n number(4,0) path '$.n', d date path '$.d',"
                   " o varchar2(20) format json path '$.o', w varchar2(20) format json with wrapper path '$.o.k[*]',"
                   " t varchar2(5) path '$.t', e number exists path '$.o.k', x varchar2(5) exists path '$.none',"
                   " mixed number, \"Mixed\" number))"),
            (Rows{"13|03-FEB-24|{\"k\":[1]}|[1]|true|1|false|7|7"}));
  // Without a row path the document is the one row.
  EXPECT_EQ(s.value("select a from json_table('{\"a\":\"q\"}' columns (a))"), "q");
}

TEST_F(JsonTable, ErrorsAnswerAsTheErrorClausesSay) {
  // NULL ON ERROR is the default: a bad value gives NULL, a bad document no rows.
  EXPECT_EQ(s.rows("select * from json_table('{\"a\":\"x\",\"b\":[1,2]}', '$' columns (a number path '$.a',"
                   " b number path '$.b', c varchar2(1) path '$.c' default 'z' on empty,"
                   " d number path '$.a' default 5 on error))"),
            (Rows{"<null>|<null>|z|5"}));
  EXPECT_EQ(s.rows("select * from json_table('not json', '$' columns (a number))"), Rows{});
  EXPECT_EQ(s.value("select a from json_table('not json', '$' error on error columns (a number))"),
            "error: ORA-40441: JSON syntax error\n");
  EXPECT_EQ(s.value("select a from json_table('{\"a\":\"x\"}', '$' columns (a number error on error))"),
            "error: ORA-01722: invalid number\n");
  EXPECT_EQ(s.value("select a from json_table('{}', '$' error on error columns (a number))"),
            "error: ORA-40462: JSON_VALUE evaluated to no value\n");
  EXPECT_EQ(s.value("select a from json_table('{\"a\":\"long\"}', '$' columns (a varchar2(2) error on error))"),
            "error: ORA-40478: output value too large (maximum: 2)\n");
  // Errors of the statement itself, at the clause.
  EXPECT_EQ(s.value("select a from json_table('{}', '$.[' columns (a number))"),
            "error: ORA-40442: JSON path expression syntax error\n");
  EXPECT_EQ(s.value("select a from json_table('{}', '$' columns (a number, a number))"),
            "error: ORA-00957: duplicate column name\n");
  EXPECT_EQ(s.value("select a from json_table('{}', '$' columns (a number format json))"),
            "error: ORA-40449: invalid data type for return value\n");
  EXPECT_EQ(s.value("select a from json_table('{}', '$' columns (a blob path '$.a'))"),
            "error: ORA-03001: unimplemented feature\n");
}

}  // namespace
