#!/usr/bin/python3
"""Puts the product's directory kit (packaging/directory) into a freshly
provisioned Samba AD DC, offline, as an administrator would with ldifde and
dsacls on Windows, and adds the test world's groups and accounts.

    samba_world.py <smb.conf> <kit folder> <accounts file>

The accounts file has one "name password [group...] [attribute=value...]"
line per account ("_" stands for a blank in a group name); a group named
there that does not exist is created first. Samba has no
dsacls: each dsacls line of velmo-rights.cmd is read as dsacls reads it and
turned into the same access control entries.
"""
import re
import shlex
import sys

import ldb
from samba.auth import system_session
from samba.dcerpc import misc, security
from samba.ndr import ndr_unpack
from samba.param import LoadParm
from samba.samdb import SamDB
from samba.sd_utils import SDUtils

NETBIOS_DOMAIN = "VELMO"
# dsacls permission bits and their SDDL letters.
RIGHTS = {"GR": "GR", "GE": "GX", "GW": "GW", "GA": "GA", "SD": "SD", "DT": "DT", "RC": "RC", "WD": "WD",
          "WO": "WO", "LC": "LC", "CC": "CC", "DC": "DC", "WS": "SW", "WP": "WP", "RP": "RP", "CA": "CR",
          "LO": "LO"}
# /I: this object and below (the default), below only, one level below.
INHERITANCE = {"T": "CI", "S": "CIIO", "P": "CINP"}
WELL_KNOWN = {"CREATOR OWNER": security.SID_CREATOR_OWNER,
              "NT AUTHORITY\\AUTHENTICATED USERS": security.SID_NT_AUTHENTICATED_USERS}


def open_samdb(conf):
    lp = LoadParm()
    lp.load(conf)
    return SamDB(url=lp.private_path("sam.ldb"), session_info=system_session(), lp=lp)


def import_ldif(db, path):
    """ldifde -i -f path -c DC=X <forest root>"""
    text = open(path).read().replace("DC=X", db.get_root_basedn().get_linearized())
    for changetype, message in db.parse_ldif(text):
        if changetype == ldb.CHANGETYPE_MODIFY:
            db.modify(message)
        else:
            db.add(message)


def add_accounts(db, path):
    for line in open(path):
        words = line.split()
        if not words:
            continue
        name, password = words[0], words[1]
        db.newuser(name, password, useusernameascn=True)
        user = db.search(db.domain_dn(), expression="(sAMAccountName=%s)" % ldb.binary_encode(name))[0].dn
        for word in words[2:]:
            if "=" in word:
                attribute, value = word.split("=", 1)
                change = ldb.Message(user)
                change[attribute] = ldb.MessageElement(value, ldb.FLAG_MOD_REPLACE, attribute)
                db.modify(change)
        for group in (w for w in words[2:] if "=" not in w):
            group = group.replace("_", " ")
            if not db.search(db.domain_dn(), expression="(sAMAccountName=%s)" % ldb.binary_encode(group)):
                db.newgroup(group)
            db.add_remove_group_members(group, [name], add_members_operation=True)


def trustee_sid(db, name):
    if name.upper() in WELL_KNOWN:
        return WELL_KNOWN[name.upper()]
    domain, _, account = name.rpartition("\\")
    if domain.upper() != NETBIOS_DOMAIN:
        raise ValueError("trustee outside the domain: %s" % name)
    found = db.search(db.domain_dn(), expression="(sAMAccountName=%s)" % ldb.binary_encode(account),
                      attrs=["objectSid"])
    if len(found) != 1:
        raise ValueError("no such account: %s" % name)
    return str(ndr_unpack(security.dom_sid, found[0]["objectSid"][0]))


def schema_guid(db, name):
    found = db.search(db.get_schema_basedn(), expression="(lDAPDisplayName=%s)" % ldb.binary_encode(name),
                      attrs=["schemaIDGUID"])
    if len(found) != 1:
        raise ValueError("not in the schema: %s" % name)
    return str(ndr_unpack(misc.GUID, found[0]["schemaIDGUID"][0]))


def ace(db, statement, inheritance):
    """The SDDL entry of one dsacls /G statement "trustee:bits[;object[;inherited type]]"."""
    trustee, _, permission = statement.rpartition(":")
    fields = permission.split(";") + ["", ""]
    bits, object_type, inherited_type = fields[0], fields[1], fields[2]
    if len(bits) % 2 or not bits:
        raise ValueError("permission bits: %s" % statement)
    rights = "".join(RIGHTS[bits[i:i + 2]] for i in range(0, len(bits), 2))
    object_guid = schema_guid(db, object_type) if object_type else ""
    inherited_guid = schema_guid(db, inherited_type) if inherited_type else ""
    kind = "OA" if object_guid or inherited_guid else "A"
    return "(%s;%s;%s;%s;%s;%s)" % (kind, INHERITANCE[inheritance], rights, object_guid, inherited_guid,
                                    trustee_sid(db, trustee))


def apply_rights(db, path, domain):
    variables = {"~1": domain}
    for line in open(path):
        line = line.strip()
        assignment = re.match(r"(?i)set (\w+)=(.*)$", line)
        if assignment:
            variables[assignment.group(1)] = re.sub(r"%([~\w]+)%", lambda m: variables[m.group(1)],
                                                    assignment.group(2).replace("%~1", domain))
            continue
        if not line.lower().startswith("dsacls "):
            continue
        words = shlex.split(re.sub(r"%(\w+)%", lambda m: variables[m.group(1)], line))
        target, inheritance, aces, granting = words[1], "T", [], False
        for word in words[2:]:
            if word.upper().startswith("/I:"):
                inheritance = word[3:].upper()
            elif word.upper() == "/G":
                granting = True
            elif word.startswith("/"):
                raise ValueError("unsupported dsacls switch: %s" % word)
            elif granting:
                aces.append(ace(db, word, inheritance))
        SDUtils(db).dacl_append_aces(target, "".join(aces))


def main(argv):
    if len(argv) != 4:
        sys.exit(__doc__)
    db = open_samdb(argv[1])
    kit = argv[2]
    import_ldif(db, kit + "/velmo-schema.ldif")
    import_ldif(db, kit + "/velmo-containers.ldif")
    add_accounts(db, argv[3])
    apply_rights(db, kit + "/velmo-rights.cmd", NETBIOS_DOMAIN)


if __name__ == "__main__":
    main(sys.argv)
