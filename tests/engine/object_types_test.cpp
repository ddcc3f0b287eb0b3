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

}  // namespace
