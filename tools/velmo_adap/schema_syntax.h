// Which attributes hold text: read from the server's schema (the subschema
// entry's "attributeTypes" values, RFC 4512), so that a value of a binary
// syntax (Octet String, certificates, ...) is refused as text instead of
// being handed out as garbled characters. The descriptions are asked for one
// attribute at a time, with the matched-values control where the server
// knows it: a whole schema is large, and Wine's LDAP client never finishes
// reading an answer of more than about 16 KB over TLS. Active Directory
// ignores that control; there each attribute's own attributeSchema object
// (a few hundred bytes) tells its syntax. Pure code.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace velmo::adap {

class AttributeSyntaxes {
public:
    // Takes one attribute type description, e.g.
    // "( 2.5.4.3 NAME ( 'cn' 'commonName' ) SUP name )"; ignores what it
    // cannot read.
    void Add(std::wstring_view description);

    // Records that the server has no description for `name`.
    void AddUnknown(std::wstring_view name);

    // Records what an Active Directory schema object says of `name`.
    void AddKnown(std::wstring_view name, bool text);

    // The attribute (`name` or one of its supertypes) whose description is
    // still needed to tell whether `name` holds text; empty when none is.
    std::wstring Missing(std::wstring_view name) const;

    // False only for attributes whose syntax (their own or their
    // supertype's) is a binary one; unknown names count as text.
    bool IsText(std::wstring_view name) const;

private:
    struct Type {
        std::wstring syntax;     // OID, without a length bound
        std::wstring supertype;  // lower case
    };
    std::map<std::wstring, Type> types_;  // by lower-case name
};

// Whether an Active Directory attributeSyntax ("2.5.5.12", ...) holds text.
bool IsTextAdSyntax(std::wstring_view attributeSyntax);

// Whether `name` is an attribute name that goes into a filter as it stands
// (an LDAP keyword: a letter, then letters, digits and hyphens).
bool IsAttributeKeyword(std::wstring_view name);

// The value of the matched-values control (RFC 3876) that keeps only the
// description of `name` among the subschema's "attributeTypes": BER of
// SEQUENCE { equalityMatch [3] { "attributeTypes", name } }. Empty for a name
// that is not a short ASCII keyword.
std::vector<char> MatchedTypeControlValue(std::wstring_view name);
// The same for the values of `attribute` ("objectClasses", say) named `name`.
std::vector<char> MatchedValuesControlValue(std::string_view attribute, std::wstring_view name);

}  // namespace velmo::adap
