// Which attributes hold text: read from the server's schema (the subschema
// entry's "attributeTypes" values, RFC 4512), so that a value of a binary
// syntax (Octet String, certificates, ...) is refused as text instead of
// being handed out as garbled characters. Pure code.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace velmo::adap {

class AttributeSyntaxes {
public:
    // Takes one attribute type description, e.g.
    // "( 2.5.4.3 NAME ( 'cn' 'commonName' ) SUP name )"; ignores what it
    // cannot read.
    void Add(std::wstring_view description);

    // False only for attributes whose syntax (their own or their
    // supertype's) is a binary one; unknown names count as text.
    bool IsText(std::wstring_view name) const;

    bool Empty() const { return types_.empty(); }

private:
    struct Type {
        std::wstring syntax;     // OID, without a length bound
        std::wstring supertype;  // lower case
    };
    std::map<std::wstring, Type> types_;  // by lower-case name
};

}  // namespace velmo::adap
