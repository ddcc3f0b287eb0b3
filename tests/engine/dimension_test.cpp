// Dimensions through OCI: CREATE, ALTER and DROP DIMENSION as a warehouse script writes
// them, what the dictionary shows of them, and the errors Oracle gives.
#include "oci_session.h"

namespace {

using Rows = std::vector<std::string>;

class Dimension : public ::testing::Test {
protected:
    void SetUp() override {
        test_home();
        ASSERT_NE(test_oci(), nullptr);
        ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
        run("create table times (time_id date primary key, month_desc varchar2(8), month_name varchar2(9),"
            " year_id number)");
        run("create table cities (city_id number primary key, city varchar2(30), country_id number)");
        run("create table countries (country_id number primary key, country varchar2(30), region varchar2(20))");
    }
    void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
    std::string error_of(const std::string& sql) {
        if (s.exec(sql) == OCI_SUCCESS) return "success";
        return s.error_text().substr(0, 9);
    }
    OciSession s;
};

TEST_F(Dimension, CreateAlterDropAndDictionary) {
    run("create dimension times_dim level day is times.time_id level month is (times.month_desc)"
        " level year is times.year_id"
        " hierarchy cal_rollup (day child of month child of year)"
        " attribute month determines (month_name)");
    run("create dimension geo_dim level city is (cities.city_id) level country is countries.country_id skip when"
        " null level region is countries.region"
        " hierarchy geo_rollup (city child of country child of region join key (cities.country_id) references"
        " country)"
        " attribute country_info level country determines (countries.country)");
    EXPECT_EQ(s.rows("select dimension_name, invalid, compile_state, revision from user_dimensions order by 1"),
              (Rows{"GEO_DIM|N|VALID|1", "TIMES_DIM|N|VALID|1"}));
    EXPECT_EQ(s.rows("select object_type from user_objects where object_name = 'TIMES_DIM'"), (Rows{"DIMENSION"}));
    EXPECT_EQ(s.rows("select level_name, num_columns, detailobj_name, skip_when_null from user_dim_levels"
                     " where dimension_name = 'GEO_DIM' order by 1"),
              (Rows{"CITY|1|CITIES|N", "COUNTRY|1|COUNTRIES|Y", "REGION|1|COUNTRIES|N"}));
    EXPECT_EQ(s.rows("select position, child_level_name, parent_level_name, nvl(join_key_id, '-') from"
                     " user_dim_child_of where dimension_name = 'GEO_DIM' order by position"),
              (Rows{"1|CITY|COUNTRY|1", "2|COUNTRY|REGION|-"}));
    EXPECT_EQ(s.rows("select dim_key_id, level_name, child_join_table, child_join_column from user_dim_join_key"),
              (Rows{"1|COUNTRY|CITIES|COUNTRY_ID"}));
    EXPECT_EQ(s.rows("select dimension_name, attribute_name, level_name, column_name from user_dim_attributes"
                     " order by 1"),
              (Rows{"GEO_DIM|COUNTRY_INFO|COUNTRY|COUNTRY", "TIMES_DIM|MONTH|MONTH|MONTH_NAME"}));

    // ALTER: added and dropped parts, a level that others use only with CASCADE.
    run("alter dimension times_dim add level quarter is times.month_desc add attribute year determines"
        " (times.year_id)");
    EXPECT_EQ(s.value("select revision from user_dimensions where dimension_name = 'TIMES_DIM'"), "2");
    EXPECT_EQ(error_of("alter dimension times_dim drop level month"), "ORA-30341");
    run("alter dimension times_dim drop level month cascade");
    EXPECT_EQ(s.value("select count(*) from user_dim_hierarchies where dimension_name = 'TIMES_DIM'"), "0");
    EXPECT_EQ(s.value("select count(*) from user_dim_attributes where dimension_name = 'TIMES_DIM'"), "1");
    EXPECT_EQ(error_of("alter dimension times_dim drop hierarchy cal_rollup"), "ORA-30349");

    // A dropped table leaves the dimension invalid until it compiles again.
    run("drop table countries");
    EXPECT_EQ(s.value("select invalid || compile_state from user_dimensions where dimension_name = 'GEO_DIM'"),
              "YNEEDS_COMPILE");
    EXPECT_EQ(error_of("alter dimension geo_dim compile"), "ORA-00942");
    run("drop dimension geo_dim");
    run("create or replace dimension times_dim level day is times.time_id");
    EXPECT_EQ(s.value("select count(*) from user_dim_levels where dimension_name = 'TIMES_DIM'"), "1");
    EXPECT_EQ(error_of("drop dimension geo_dim"), "ORA-30333");
    EXPECT_EQ(error_of("alter dimension nothing compile"), "ORA-30333");
}

TEST_F(Dimension, ErrorsOfTheDefinition) {
    run("create dimension d0 level day is times.time_id");
    EXPECT_EQ(error_of("create dimension d0 level day is times.time_id"), "ORA-00955");
    EXPECT_EQ(error_of("create dimension times level day is times.time_id"), "ORA-00955");
    EXPECT_EQ(error_of("create dimension d1 level day is time_id"), "ORA-30347");
    EXPECT_EQ(error_of("create dimension d1 level day is (times.time_id, cities.city_id)"), "ORA-30363");
    EXPECT_EQ(error_of("create dimension d1 level day is nosuch.time_id"), "ORA-00942");
    EXPECT_EQ(error_of("create dimension d1 level day is times.nosuch"), "ORA-00904");
    EXPECT_EQ(error_of("create dimension d1 level day is times.time_id level day is times.year_id"), "ORA-30343");
    EXPECT_EQ(error_of("create dimension d1 level day is times.time_id hierarchy h (day child of month)"),
              "ORA-30342");
    EXPECT_EQ(error_of("create dimension d1 level a is times.time_id level b is times.year_id"
                       " hierarchy h (a child of b) hierarchy h (b child of a)"),
              "ORA-30346");
    EXPECT_EQ(error_of("create dimension d1 level a is times.time_id level b is times.year_id"
                       " hierarchy h (a child of b child of a)"),
              "ORA-30345");
    EXPECT_EQ(error_of("create dimension d1 level c is cities.city_id level k is countries.country_id"
                       " hierarchy h (c child of k)"),
              "ORA-30367");
    EXPECT_EQ(error_of("create dimension d1 level c is cities.city_id level k is countries.country_id"
                       " hierarchy h (c child of k join key (countries.region) references k)"),
              "ORA-30366");
    EXPECT_EQ(error_of("create dimension d1 level c is cities.city_id level k is countries.country_id"
                       " hierarchy h (c child of k join key (cities.country_id, cities.city) references k)"),
              "ORA-30344");
    EXPECT_EQ(error_of("create dimension d1 level c is cities.city_id level k is countries.country_id"
                       " hierarchy h (c child of k join key (cities.country_id) references c)"),
              "ORA-30335");
    EXPECT_EQ(error_of("create dimension d1 level c is cities.city_id attribute c determines (countries.region)"),
              "ORA-30368");
    EXPECT_EQ(error_of("create dimension d1 level c is cities.city_id attribute a level x determines (city)"),
              "ORA-30383");
    EXPECT_EQ(s.value("select count(*) from user_dimensions"), "1");
}

}  // namespace
