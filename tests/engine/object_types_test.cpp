// Columns of schema-level object and collection types through OCI: constructors, the
// constructor text a fetch gives, attributes in queries and UPDATE, NULL objects, and
// the errors Oracle gives for wrong constructors, attributes and values.
#include "oci_session.h"

namespace {

using Rows = std::vector<std::string>;

class ObjectTypes : public ::testing::Test {
protected:
    void SetUp() override {
        test_home();
        ASSERT_NE(test_oci(), nullptr);
        ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
        run("create type cust_address_typ as object (street_address varchar2(40), postal_code varchar2(10),"
            " city varchar2(30), country_id char(2), floor number)");
        run("create type phone_list_typ as varray(2) of varchar2(25)");
        run("create table customers (id number, cust_address cust_address_typ, phone_numbers phone_list_typ)");
    }
    void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
    std::string error(const std::string& sql) {
        if (s.exec(sql) == OCI_SUCCESS) return "success";
        return s.error_text();
    }
    OciSession s;
};

TEST_F(ObjectTypes, ColumnsConstructorsAndAttributes) {
    run("insert into customers values (1, cust_address_typ('1 Main', '12345', 'Rome', 'IT', 3),"
        " phone_list_typ('+1 555', '+1 556'))");
    run("insert into customers values (2, cust_address_typ('O''Hara St', null, 'Oslo', 'NO', '2.5'),"
        " phone_list_typ())");
    run("insert into customers values (3, null, null)");
    // A fetch gives the constructor's text; a NULL object is NULL.
    EXPECT_EQ(s.rows("select id, cust_address, phone_numbers from customers order by id"),
              (Rows{"1|CUST_ADDRESS_TYP('1 Main', '12345', 'Rome', 'IT', 3)|PHONE_LIST_TYP('+1 555', '+1 556')",
                    "2|CUST_ADDRESS_TYP('O''Hara St', NULL, 'Oslo', 'NO', 2.5)|PHONE_LIST_TYP()", "3|<null>|<null>"}));
    // Attributes through the table's alias, in the select list, WHERE and expressions.
    EXPECT_EQ(s.rows("select c.id, c.cust_address.city, c.cust_address.floor + 1 from customers c"
                     " where c.cust_address.country_id = 'IT' or c.cust_address.postal_code is null order by 1"),
              (Rows{"1|Rome|4", "2|Oslo|3.5", "3|<null>|<null>"}));
    EXPECT_EQ(s.value("select count(*) from customers c where c.cust_address.city is null"), "1");
    // UPDATE of one attribute keeps the others; a NULL object stays NULL.
    run("update customers c set c.cust_address.city = 'Milan' where id in (1, 3)");
    EXPECT_EQ(s.rows("select c.cust_address.city, c.cust_address.street_address from customers c order by id"),
              (Rows{"Milan|1 Main", "Oslo|O'Hara St", "<null>|<null>"}));
    run("update customers c set cust_address = cust_address_typ('x', 'y', 'Pisa', 'IT', null) where id = 3");
    EXPECT_EQ(s.value("select cust_address from customers where id = 3"),
              "CUST_ADDRESS_TYP('x', 'y', 'Pisa', 'IT', NULL)");
    EXPECT_EQ(s.value("select data_type from user_tab_columns where table_name = 'CUSTOMERS'"
                      " and column_name = 'CUST_ADDRESS'"),
              "CUST_ADDRESS_TYP");
}

TEST_F(ObjectTypes, Errors) {
    // A constructor takes one value per attribute, a varray at most its limit.
    EXPECT_NE(error("insert into customers values (1, cust_address_typ('a', 'b'), null)").find("ORA-02315"),
              std::string::npos);
    EXPECT_NE(error("insert into customers values (1, null, phone_list_typ('a', 'b', 'c'))").find("ORA-22909"),
              std::string::npos);
    // Attributes need the table's alias and must exist.
    EXPECT_NE(error("select cust_address.city from customers").find("ORA-00904"), std::string::npos);
    EXPECT_NE(error("select c.cust_address.town from customers c").find("ORA-00904"), std::string::npos);
    EXPECT_NE(error("update customers c set c.cust_address.town = 'x'").find("ORA-00904"), std::string::npos);
    // A plain value is no object, an object no plain value; a value longer than its attribute is refused.
    EXPECT_NE(error("insert into customers values (1, 'Rome', null)").find("ORA-00932"), std::string::npos);
    EXPECT_NE(error("insert into customers (id) values (cust_address_typ('a', 'b', 'c', 'IT', 1))").find("ORA-00932"),
              std::string::npos);
    EXPECT_NE(error("insert into customers values (1, null, phone_list_typ(rpad('x', 26, 'x')))").find("ORA-22814"),
              std::string::npos);
    EXPECT_NE(
        error("insert into customers values (1, cust_address_typ('a', 'b', 'c', 'IT', 'x'), null)").find("ORA-01722"),
        std::string::npos);
    // A column of a type that does not exist.
    EXPECT_NE(error("create table bad (a no_such_typ)").find("ORA-00902"), std::string::npos);
    EXPECT_NE(error("alter table customers modify (id cust_address_typ)").find("ORA-00902"), std::string::npos);
    EXPECT_EQ(s.value("select count(*) from customers"), "0");
    // A type a table's column is of is neither dropped nor replaced, unless dropped with FORCE.
    EXPECT_NE(error("drop type cust_address_typ").find("ORA-02303"), std::string::npos);
    EXPECT_NE(error("create or replace type phone_list_typ as varray(9) of varchar2(25)").find("ORA-02303"),
              std::string::npos);
    run("drop type phone_list_typ force");
    run("drop table customers");
    run("drop type cust_address_typ");
}

TEST_F(ObjectTypes, DictionaryViews) {
    run("create type money_list as table of number(9,2)");
    run("create type shape_typ as object (id integer, label nvarchar2(10), made date, w float, n number,"
        " code varchar2(5 char), member function area return number) not final");
    EXPECT_EQ(s.rows("select type_name, typecode, attributes, methods, predefined, incomplete, final, instantiable,"
                     " nvl2(type_oid, 1, 0) from user_types order by type_name"),
              (Rows{"CUST_ADDRESS_TYP|OBJECT|5|0|NO|NO|YES|YES|1", "MONEY_LIST|COLLECTION|0|0|NO|NO|YES|YES|1",
                    "PHONE_LIST_TYP|COLLECTION|0|0|NO|NO|YES|YES|1", "SHAPE_TYP|OBJECT|6|1|NO|NO|NO|YES|1"}));
    EXPECT_EQ(s.rows("select attr_no, attr_name, attr_type_owner, attr_type_name, length, precision, scale,"
                     " character_set_name, char_used, inherited from user_type_attrs where type_name = 'SHAPE_TYP'"
                     " order by attr_no"),
              (Rows{"1|ID|<null>|INTEGER|<null>|<null>|0|<null>|<null>|NO",
                    "2|LABEL|<null>|NVARCHAR2|10|<null>|<null>|NCHAR_CS|C|NO",
                    "3|MADE|<null>|DATE|<null>|<null>|<null>|<null>|<null>|NO",
                    "4|W|<null>|FLOAT|<null>|126|<null>|<null>|<null>|NO",
                    "5|N|<null>|NUMBER|<null>|<null>|<null>|<null>|<null>|NO",
                    "6|CODE|<null>|VARCHAR2|5|<null>|<null>|CHAR_CS|C|NO"}));
    EXPECT_EQ(s.value("select count(*) from user_type_attrs where type_name in ('MONEY_LIST', 'PHONE_LIST_TYP')"), "0");
    EXPECT_EQ(s.rows("select type_name, coll_type, upper_bound, elem_type_name, length, precision, scale, char_used"
                     " from user_coll_types order by 1"),
              (Rows{"MONEY_LIST|TABLE|<null>|NUMBER|<null>|9|2|<null>",
                    "PHONE_LIST_TYP|VARYING ARRAY|2|VARCHAR2|25|<null>|<null>|B"}));
    // A collection of an object type names the element's type and owner; the ALL_ and DBA_ forms add the owner.
    run("create type shapes as varray(3) of shape_typ");
    EXPECT_EQ(s.value("select elem_type_owner || '.' || elem_type_name || ' ' || length from user_coll_types"
                      " where type_name = 'SHAPES'"),
              s.value("select user from dual") + ".SHAPE_TYP ");
    EXPECT_EQ(s.value("select count(*) from all_types where owner = user"), "5");
    EXPECT_EQ(s.value("select count(*) from dba_type_attrs where owner = user and type_name = 'CUST_ADDRESS_TYP'"),
              "5");
    EXPECT_EQ(s.value("select owner from all_coll_types where type_name = 'SHAPES'"), s.value("select user from dual"));
    // A type dropped leaves the views.
    run("drop type shapes");
    run("drop type money_list");
    EXPECT_EQ(s.value("select count(*) from user_coll_types where type_name in ('SHAPES', 'MONEY_LIST')"), "0");
    run("drop type shape_typ");
    EXPECT_EQ(s.value("select count(*) from user_type_attrs where type_name = 'SHAPE_TYP'"), "0");
}

}  // namespace

TEST_F(ObjectTypes, AttributesAndMethodsAfterACall) {
    run("insert into customers values (1, cust_address_typ('1 Main', '12345', 'Rome', 'IT', 3), null)");
    run("create or replace function city_count return number is begin return 1; end;");
    // An attribute of the object a constructor returns, in the select list and WHERE.
    EXPECT_EQ(s.rows("select cust_address_typ('x', null, 'Bern', 'CH', id).city,"
                     " cust_address_typ('x', null, 'Bern', 'CH', id + 1).floor * 2 from customers"),
              (Rows{"Bern|4"}));
    EXPECT_EQ(s.rows("select id from customers where cust_address_typ(null, '9', 'x', 'y', id).postal_code = '9'"),
              (Rows{"1"}));
    EXPECT_EQ(error("select cust_address_typ('x', null, 'Bern', 'CH', 1).town from dual"),
              "ORA-00904: \"TOWN\": invalid identifier\n");
    EXPECT_EQ(error("select city_count().city from dual"), "ORA-22806: not an object or REF\n");
    EXPECT_EQ(error("select upper('a').b from dual"), "ORA-22806: not an object or REF\n");
    EXPECT_EQ(error("select phone_list_typ('1').city from dual"), "ORA-22806: not an object or REF\n");
    // A method the type does not declare: a static function of a type and a member of an object column.
    EXPECT_EQ(error("select cust_address_typ.make('x').city from dual").substr(0, 9), "ORA-00904");
    EXPECT_EQ(error("select c.cust_address.to_text() from customers c"),
              "ORA-00904: \"C\".\"CUST_ADDRESS\".\"TO_TEXT\": invalid identifier\n");
    EXPECT_EQ(error("select no_such_type.make('x') from dual").substr(0, 9), "ORA-00904");
}
