#!/usr/bin/env python3
"""Checks a JSON document against the parts of JSON Schema the run report's schema uses (type,
required, properties, additionalProperties, items, enum, minimum, pattern, const); prints each
place that breaks it and exits 1, or exits 0 when the document conforms.
Usage: check-report.py SCHEMA.json DOCUMENT.json"""
import json
import re
import sys

TYPES = {"object": dict, "array": list, "string": str, "boolean": bool, "null": type(None)}


def type_ok(value, name):
    if name == "integer":
        return isinstance(value, int) and not isinstance(value, bool)
    if name == "number":
        return isinstance(value, (int, float)) and not isinstance(value, bool)
    return isinstance(value, TYPES[name])


def check(value, schema, where, errors):
    names = schema.get("type")
    if names is not None:
        names = names if isinstance(names, list) else [names]
        if not any(type_ok(value, n) for n in names):
            errors.append(f"{where}: {value!r} is not {names}")
            return
    if "const" in schema and value != schema["const"]:
        errors.append(f"{where}: {value!r} is not {schema['const']!r}")
    if "enum" in schema and value not in schema["enum"]:
        errors.append(f"{where}: {value!r} not in {schema['enum']}")
    if "minimum" in schema and type_ok(value, "number") and value < schema["minimum"]:
        errors.append(f"{where}: {value} below {schema['minimum']}")
    if "pattern" in schema and isinstance(value, str) and not re.search(schema["pattern"], value):
        errors.append(f"{where}: {value!r} does not match {schema['pattern']}")
    if isinstance(value, dict):
        for key in schema.get("required", []):
            if key not in value:
                errors.append(f"{where}: '{key}' is missing")
        properties = schema.get("properties", {})
        for key, item in value.items():
            if key in properties:
                check(item, properties[key], f"{where}.{key}", errors)
            elif schema.get("additionalProperties") is False:
                errors.append(f"{where}: '{key}' is not in the schema")
    if isinstance(value, list) and "items" in schema:
        for i, item in enumerate(value):
            check(item, schema["items"], f"{where}[{i}]", errors)


def main():
    with open(sys.argv[1], encoding="utf-8") as f:
        schema = json.load(f)
    with open(sys.argv[2], encoding="utf-8") as f:
        document = json.load(f)
    errors = []
    check(document, schema, "$", errors)
    for error in errors:
        print(error)
    print(f"{sys.argv[2]}: {'conforms' if not errors else 'does not conform'} to {sys.argv[1]}")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
