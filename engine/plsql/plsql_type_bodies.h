// The package form of an object type's methods (plsql_type_bodies.cpp): what the stored
// units, the package loader and the parser share about it.
#pragma once

#include "plsql/plsql.h"
#include "sql/sql_type_details.h"

#include <cstdint>
#include <string>
#include <vector>

// One change the rewriting made to a type body: at (in the rewritten text) removed bytes
// of the original were replaced by inserted bytes.
struct PlTypeEdit {
    std::uint32_t at = 0, removed = 0, inserted = 0;
};

struct PlTypePackage {
    std::string type_name;
    std::vector<TypeMethodDecl> methods;  // as CREATE TYPE declares them
    std::string header;                   // "PACKAGE name AS" and the methods' headings
    std::vector<int> heading_lines;       // the header line each method's heading starts on
    std::string body;                     // the type body as a package body; empty without one
    std::vector<PlTypeEdit> edits;
};

// The package form of the type whose CREATE TYPE source is type_source and, when
// body_source is not empty, of its body; false when the source is no object type.
// Methods the body defines that the type does not declare are PLS-00539 in errors.
bool plsql_type_package(const std::string& type_source, const std::string& body_source, PlTypePackage* out,
                        std::vector<PlCompileError>* errors);
// Places errors of compiling pkg's header (in_body false) or body back in the type's
// source or its body; PLS-00323 becomes the object type's PLS-00538.
void plsql_type_errors_home(const PlTypePackage& pkg, const std::string& type_source, const std::string& body_source,
                            bool in_body, std::vector<PlCompileError>* errors);
// Compiles object type `name`'s methods for running or storing: its declaration's
// headings alone when body_source is empty, else with its body. False with the errors in
// program, placed in the source compiled.
bool plsql_compile_type(const std::string& type_source, const std::string& body_source, const PlCompileContext& ctx,
                        const std::string& name, PlProgram* program);
