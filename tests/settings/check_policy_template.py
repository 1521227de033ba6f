"""Checks the Group Policy template against the settings store's own table.

usage: check_policy_template.py PRINT_SETTING_VALUES ADMX ADML

The ADMX must be well-formed, in the ADMX namespace, and every policy must
write the policy key (never the settings key the programs write) with a value name and registry type that the store
reads and writes: a boolean as REG_DWORD 1/0, a text as REG_SZ, a list as
REG_MULTI_SZ. Every string and presentation the ADMX names must be in the
ADML, and every presentation must show each element of its policy.
"""
import re
import subprocess
import sys
import xml.etree.ElementTree as ET

NS = "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions"
REG_SZ, REG_EXPAND_SZ, REG_DWORD, REG_MULTI_SZ = 1, 2, 4, 7
q = lambda tag: "{%s}%s" % (NS, tag)
errors = []


def decimal(policy, tag):
    node = policy.find("%s/%s" % (q(tag), q("decimal")))
    return None if node is None else node.get("value")


def main(printer, admx_path, adml_path):
    lines = subprocess.run([printer], check=True, capture_output=True, text=True).stdout.split("\n")
    key = lines[0]
    table = {name: int(kind) for name, kind in (l.split() for l in lines[1:] if l)}

    admx = ET.parse(admx_path).getroot()
    adml = ET.parse(adml_path).getroot()
    if admx.tag != q("policyDefinitions"):
        errors.append("ADMX root is %s" % admx.tag)
    strings = {s.get("id") for s in adml.iter(q("string"))}
    presentations = {p.get("id"): p for p in adml.iter(q("presentation"))}

    written = {}
    for policy in admx.iter(q("policy")):
        name = policy.get("name")
        values = []
        if policy.get("valueName"):
            if (decimal(policy, "enabledValue"), decimal(policy, "disabledValue")) != ("1", "0"):
                errors.append("%s: not enabled 1 / disabled 0" % name)
            values.append((policy.get("key"), policy.get("valueName"), REG_DWORD))
        elements = policy.find(q("elements"))
        for element in [] if elements is None else list(elements):
            kind = {q("text"): REG_SZ, q("multiText"): REG_MULTI_SZ}.get(element.tag)
            if element.tag == q("text") and element.get("expandable") == "true":
                kind = REG_EXPAND_SZ
            values.append((element.get("key", policy.get("key")), element.get("valueName"), kind))
            pres = presentations.get(re.sub(r"^\$\(presentation\.(.*)\)$", r"\1",
                                            policy.get("presentation", "")))
            if pres is None or not any(c.get("refId") == element.get("id") for c in pres):
                errors.append("%s: element %s is in no presentation" % (name, element.get("id")))
        for value in values:
            if value[0] != key:
                errors.append("%s: key %s" % (name, value[0]))
            if value[1] in written:
                errors.append("%s: %s written twice" % (name, value[1]))
            written[value[1]] = value[2]

    if written != table:
        errors.append("policies write %s, the store uses %s" % (sorted(written.items()), sorted(table.items())))

    for attr in re.findall(r'="\$\((string|presentation)\.([^)]*)\)"', open(admx_path, encoding="utf-8").read()):
        if attr[1] not in (strings if attr[0] == "string" else presentations):
            errors.append("$(%s.%s) is not in the ADML" % attr)

    for e in errors:
        print("FAIL", e)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
