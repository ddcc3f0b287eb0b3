// Bind variables: which placeholders a statement names, and what a declaration accepts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "oci/bind_variables.h"

namespace {

using Names = std::vector<std::string>;

TEST(BindPlaceholders, NamesOutsideLiteralsIdentifiersAndComments) {
    EXPECT_EQ(bind_placeholders("select :a, :B, :a from t where x = :Long_Name$1"), (Names{"A", "B", "LONG_NAME$1"}));
    EXPECT_EQ(bind_placeholders("select ':a', 'it''s :b', q'[ :c ' ]', \":d\" from t -- :e\n/* :f */ where :g"),
              (Names{"G"}));
    EXPECT_EQ(bind_placeholders("begin :x := 1; x:=:y; end;"), (Names{"X", "Y"}));
    // Numbered placeholders and ":" inside a word are no names; an unclosed comment or
    // literal ends the scan without reading past the text.
    EXPECT_EQ(bind_placeholders("select :1, a:b from t /* :c"), Names{});
    EXPECT_EQ(bind_placeholders("select 'open :c"), Names{});
    EXPECT_EQ(bind_placeholders("select q'{ :c"), Names{});
    EXPECT_EQ(bind_placeholders(""), Names{});
}

TEST(BindDeclare, TypesLengthsAndRefusals) {
    bind_variables_clear();
    EXPECT_EQ(bind_variable_declare("n", "NUMBER"), "");
    EXPECT_EQ(bind_variable_declare("s", "varchar2 ( 20 char )"), "");
    EXPECT_EQ(bind_variable_declare("c", "char"), "");
    EXPECT_EQ(bind_variable_declare("nc", "nchar(3)"), "");
    BindVariable v;
    ASSERT_TRUE(bind_variable_find("N", &v));
    EXPECT_EQ(v.type, "NUMBER");
    EXPECT_TRUE(v.null);
    ASSERT_TRUE(bind_variable_find("S", &v));
    EXPECT_EQ(v.type, "VARCHAR2(20 CHAR)");
    EXPECT_EQ(v.capacity, 80);
    ASSERT_TRUE(bind_variable_find("c", &v));
    EXPECT_EQ(v.type, "CHAR(1)");
    EXPECT_TRUE(v.pad);
    ASSERT_TRUE(bind_variable_find("nc", &v));
    EXPECT_EQ(v.capacity, 12);

    EXPECT_EQ(bind_variable_declare("x", "varchar2(32767)"), "");
    EXPECT_NE(bind_variable_declare("x", "varchar2(32768)"), "");
    EXPECT_NE(bind_variable_declare("x", "varchar2(99999999999999999999)"), "");
    EXPECT_NE(bind_variable_declare("x", "char(2001)"), "");
    EXPECT_NE(bind_variable_declare("x", "number(5)"), "");
    EXPECT_NE(bind_variable_declare("x", "varchar2(5) extra"), "");
    EXPECT_NE(bind_variable_declare("x", "varchar2(5 words)"), "");
    EXPECT_NE(bind_variable_declare("x", "date"), "");
    EXPECT_NE(bind_variable_declare("1x", "number"), "");
    EXPECT_NE(bind_variable_declare(std::string(31, 'a'), "number"), "");
    EXPECT_EQ(bind_variable_declare(std::string(30, 'a'), "number"), "");
    // A refused declaration leaves the variable as it was.
    ASSERT_TRUE(bind_variable_find("x", &v));
    EXPECT_EQ(v.type, "VARCHAR2(32767)");
    // Declaring again replaces the type; the order of the list stays.
    EXPECT_EQ(bind_variable_declare("N", "binary_double"), "");
    const std::vector<BindVariable> all = bind_variable_list();
    ASSERT_EQ(all.size(), 6u);
    EXPECT_EQ(all[0].name, "N");
    EXPECT_EQ(all[0].type, "BINARY_DOUBLE");
    bind_variables_clear();
    EXPECT_FALSE(bind_variable_find("n", nullptr));
}

}  // namespace
