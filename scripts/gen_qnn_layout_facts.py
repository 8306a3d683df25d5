#!/usr/bin/env python3
"""Writes tests/qnn_layout/<group>_facts.inc from QNN's ABI facts.

The facts (clang record-layout dumps, enumerator and macro values and
function-pointer types of QNN's published headers) are not on every machine,
so the layout test compiles the committed .inc files; developers rerun this
script when our declarations under vendors/qualcomm/qnn_api grow.

  scripts/gen_qnn_layout_facts.py            write the .inc files
  scripts/gen_qnn_layout_facts.py --check    fail if they are out of date
  scripts/gen_qnn_layout_facts.py --list     also list the facts we do not declare

  --facts-dir DIR (default ../shared/qnn-sdk/abi), --headers-dir DIR (default
  vendors/qualcomm/qnn_api), --out-dir DIR (default tests/qnn_layout)

An .inc holds only what our headers of that group declare. Every run also
fails on a QNN-looking name (Qnn*, QNN_*) of our headers that the facts do
not hold, an invented or misspelt name, unless ALLOWED_UNKNOWN lists it or
it is an enum type or opaque struct tag whose contents are published; and
on a published name declared in another group's headers.
"""

import argparse
import difflib
import os
import re
import sys

REPO_ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Group -> the directories of our headers (relative to the headers root)
# whose declarations it checks. "" is the top level, not recursive.
GROUPS = {
    "core": ["", "System", "Saver"],
    "htp": ["HTP"],
    "dsp": ["DSP"],
    "gpu_ir": ["GPU", "IR"],
    "lpai": ["LPAI"],
}

# Provider records whose table member is named after the API version. The
# .inc reaches it through the version macro, so that it compiles against an
# SDK with a newer table.
VERSIONED_TABLES = {
    "QnnInterface_t": "QNN_INTERFACE_VER_NAME",
    "QnnSystemInterface_t": "QNN_SYSTEM_INTERFACE_VER_NAME",
}

# QNN-looking names our headers may declare although the facts cannot hold
# them. Keep this short: anything else unknown is a mistake.
ALLOWED_UNKNOWN = {
    # Non-integer macros: the facts hold integer macros only.
    "QNN_API",  # visibility of the exported entry points
    "QNN_INTERFACE_VER_NAME",
    "QNN_INTERFACE_VER_TYPE",
    "QNN_SYSTEM_INTERFACE_VER_NAME",
    "QNN_SYSTEM_INTERFACE_VER_TYPE",
    "QNN_GET_ERROR_CODE",
    # Entry points: prototypes of exported functions, not function-pointer types.
    "QnnInterface_getProviders",
    "QnnSystemInterface_getProviders",
    "QnnSaver_initialize",
    # The common base of the handle typedefs; the facts spell only those.
    "Qnn_Handle_t",
}

QNN_LOOKING = re.compile(r"^_?(Qnn|QNN_)")
IDENTIFIER = re.compile(r"[A-Za-z_][A-Za-z0-9_]*")


# ----------------------------------------------------------------- facts


class Record:
    def __init__(self, name, tag):
        self.name = name
        self.tag = tag  # struct tag of a "typedef _Tag Name" record, or None
        self.size = None
        self.align = None
        self.fields = []  # (path tuple, offset, type as the facts spell it)


def parse_records(path):
    """Reads a record-layout dump: a header line per record, then one line a
    field with two spaces of indentation a nesting level, then the size."""
    records = []
    record = None
    tag_of_next = None
    stack = []  # path component a depth; None for an anonymous union
    line_re = re.compile(r"^\s*(\d+) \|( +)(.*?)\s*$")
    with open(path) as f:
        for raw in f:
            line = raw.rstrip("\n")
            if not line.strip():
                continue
            typedef = re.match(r"^typedef (\S+) (\S+):$", line)
            if typedef:
                tag_of_next = (typedef.group(1), typedef.group(2))
                continue
            size = re.match(r"^\s*\| \[sizeof=(\d+), align=(\d+)\]$", line)
            if size:
                record.size, record.align = int(size.group(1)), int(size.group(2))
                records.append(record)
                record = None
                continue
            m = line_re.match(line)
            if not m:
                raise ValueError(f"{path}: unreadable line: {line!r}")
            offset, depth, text = int(m.group(1)), (len(m.group(2)) - 1) // 2, m.group(3)
            if record is None:
                if tag_of_next:
                    tag, name = tag_of_next
                    if text != f"struct {tag}":
                        raise ValueError(f"{path}: typedef {name} is followed by {text!r}")
                    record = Record(name, tag)
                    tag_of_next = None
                elif text.startswith("struct "):
                    # A typedef named as its own tag.
                    record = Record(text[len("struct "):], text[len("struct "):])
                else:
                    record = Record(text, None)
                stack = []
                continue
            del stack[depth - 1:]
            if re.match(r"^(union|struct) \S+::\(anonymous\)$", text):
                stack.append(None)
                continue
            field_type, name = text.rsplit(" ", 1)
            stack.append(name)
            record.fields.append((tuple(c for c in stack if c is not None), offset, field_type))
    return records


def parse_values(path, pattern):
    values = []
    with open(path) as f:
        for line in f:
            if line.strip():
                m = re.match(pattern, line.strip())
                if not m:
                    raise ValueError(f"{path}: unreadable line: {line!r}")
                values.append((m.group(1), int(m.group(2))))
    return values


def parse_functions(path):
    functions = []
    with open(path) as f:
        for line in f:
            if line.strip():
                name, function_type = line.strip().split(": ", 1)
                functions.append((name, function_type))
    return functions


class Facts:
    def __init__(self, facts_dir, group):
        stem = os.path.join(facts_dir, group)
        self.records = parse_records(stem + ".records.txt")
        self.enums = parse_values(stem + ".enums.txt", r"^(\w+) = (-?\d+)$")
        self.macros = parse_values(stem + ".macros.txt", r"^(\w+) = \S+ \((-?\d+)\)$")
        self.functions = parse_functions(stem + ".functions.txt")

    def names(self):
        """The names the facts are about: records, constants, function types."""
        names = {r.name for r in self.records}
        names.update(name for name, _ in self.enums + self.macros + self.functions)
        return names

    def identifiers(self):
        """Every name the facts spell: records, tags, field and parameter
        types, constants and function types."""
        names = set()
        for record in self.records:
            names.add(record.name)
            if record.tag:
                names.add(record.tag)
            for _, _, field_type in record.fields:
                names.update(IDENTIFIER.findall(field_type))
        names.update(name for name, _ in self.enums + self.macros)
        for name, function_type in self.functions:
            names.add(name)
            names.update(IDENTIFIER.findall(function_type))
        return names


# ----------------------------------------------------------- our headers


def strip_comments(text):
    """Removes comments, keeping string literals and line structure."""
    out = []
    i, n = 0, len(text)
    while i < n:
        if text.startswith("//", i):
            i = text.find("\n", i)
            i = n if i < 0 else i
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            out.append("\n" * text.count("\n", i, end))
            i = end
        elif text[i] in "\"'":
            quote, j = text[i], i + 1
            while j < n and text[j] != quote:
                j += 2 if text[j] == "\\" else 1
            out.append(text[i:j + 1])
            i = j + 1
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


TOKEN = re.compile(r'"(?:\\.|[^"\\])*"|[A-Za-z_]\w*|\d\w*|\S')


class HeaderScan:
    """What one header declares: macros, enumerators, typedef names, record
    and enum tags and function prototypes; and every QNN-looking name it
    uses."""

    def __init__(self, path):
        text = strip_comments(open(path).read()).replace("\\\n", " ")
        self.declared = set()
        self.used = set()
        code = []
        guard = None
        for line in text.split("\n"):
            directive = re.match(r"^\s*#\s*(\w+)\s*(.*)$", line)
            if not directive:
                code.append(line)
                continue
            kind, rest = directive.groups()
            names = IDENTIFIER.findall(rest)
            if kind == "ifndef" and guard is None and names:
                guard = names[0]
            if kind == "define" and names:
                if names[0] == guard and len(names) == 1:
                    continue  # the include guard
                self.declared.add(names[0])
            if kind in ("define", "if", "elif", "ifdef", "ifndef"):
                self.used.update(n for n in names if n != guard)
        tokens = TOKEN.findall("\n".join(code))
        self.used.update(t for t in tokens if IDENTIFIER.fullmatch(t))
        self.used = {n for n in self.used if QNN_LOOKING.match(n)}
        # Names the facts cannot hold but vouch for otherwise: enum types by
        # their enumerators, opaque struct tags by their pointer typedefs.
        self.enum_types = {}
        self.opaque_tags = {}
        for statement in top_level_statements(tokens):
            names = declared_by(statement)
            self.declared.update(names)
            if statement[0] != "typedef":
                continue
            if statement[1] == "enum" and "{" in statement:
                values = enumerators(statement, statement.index("{"))
                for name in typedef_names(statement):
                    self.enum_types[name] = values
            elif statement[1] in ("struct", "union") and "{" not in statement:
                self.opaque_tags.setdefault(statement[2], set()).update(typedef_names(statement))


def top_level_statements(tokens):
    """Splits tokens into the statements at file scope, seeing through
    extern "C" { ... } blocks."""
    statement, depth, extern_depths = [], 0, []
    i = 0
    while i < len(tokens):
        t = tokens[i]
        if t == "extern" and tokens[i + 1:i + 2] and tokens[i + 1].startswith('"') \
                and tokens[i + 2:i + 3] == ["{"]:
            extern_depths.append(depth)
            i += 3
            continue
        if t == "}" and extern_depths and extern_depths[-1] == depth:
            extern_depths.pop()
            i += 1
            continue
        statement.append(t)
        if t in ("{", "("):
            depth += 1
        elif t in ("}", ")"):
            depth -= 1
        if t == ";" and depth == 0:
            yield statement
            statement = []
        i += 1
    if statement:
        yield statement


def declared_by(statement):
    names = set()
    # Tags and enumerators anywhere in the statement (nested records too).
    for i, t in enumerate(statement):
        if t in ("struct", "union", "enum") and i + 2 < len(statement):
            if IDENTIFIER.fullmatch(statement[i + 1]) and statement[i + 2] == "{":
                names.add(statement[i + 1])
        if t == "enum":
            j = i + 1
            while j < len(statement) and statement[j] != "{" and statement[j] != ";":
                j += 1
            if j < len(statement) and statement[j] == "{":
                names.update(enumerators(statement, j))
    if statement[0] == "typedef":
        names.update(typedef_names(statement))
    elif statement[-2:] == [")", ";"]:
        # A prototype: the name before the first parenthesis.
        first_paren = statement.index("(")
        if first_paren > 0 and IDENTIFIER.fullmatch(statement[first_paren - 1]):
            names.add(statement[first_paren - 1])
    return names


def enumerators(statement, open_brace):
    names, depth, expect_name = [], 0, True
    for t in statement[open_brace + 1:]:
        if t in ("(", "{"):
            depth += 1
        elif t in (")", "}"):
            if depth == 0:
                break
            depth -= 1
        elif t == "," and depth == 0:
            expect_name = True
        elif expect_name and depth == 0:
            names.append(t)
            expect_name = False
    return names


def typedef_names(statement):
    """The names a typedef declares: after the record body if any, one per
    declarator, the function pointer's name for (*Name)(...)."""
    body_end = 0
    depth = 0
    for i, t in enumerate(statement):
        if t == "{":
            depth += 1
        elif t == "}":
            depth -= 1
            if depth == 0:
                body_end = i + 1
    declarators, current, depth = [], [], 0
    for t in statement[body_end if body_end else 1:-1]:
        if t in ("(", "["):
            depth += 1
        elif t in (")", "]"):
            depth -= 1
        if t == "," and depth == 0:
            declarators.append(current)
            current = []
        else:
            current.append(t)
    declarators.append(current)
    names = set()
    for d in declarators:
        for i in range(len(d) - 3):
            if d[i:i + 2] == ["(", "*"] and IDENTIFIER.fullmatch(d[i + 2]) and d[i + 3] == ")":
                names.add(d[i + 2])
                break
        else:
            plain = []
            depth = 0
            for t in d:
                if t in ("(", "["):
                    depth += 1
                elif t in (")", "]"):
                    depth -= 1
                elif depth == 0 and IDENTIFIER.fullmatch(t):
                    plain.append(t)
            if plain:
                names.add(plain[-1])
    return names


def group_headers(headers_dir, group):
    """The group's headers under QNN's names (Qnn*.h); other files beside
    them are the project's own."""
    paths = []
    for sub in GROUPS[group]:
        directory = os.path.join(headers_dir, sub)
        if not os.path.isdir(directory):
            continue
        for name in sorted(os.listdir(directory)):
            if name.startswith("Qnn") and name.endswith(".h"):
                paths.append(os.path.join(sub, name) if sub else name)
    return paths


# ------------------------------------------------------------ .inc text


def cxx_type(fact_type, version_types):
    """A type as the facts spell it (C, clang), as C++ writes it."""
    t = fact_type.replace("struct __va_list_tag *", "va_list")
    t = re.sub(r"\b_Bool\b", "bool", t)
    for versioned, replacement in version_types.items():
        t = re.sub(r"\b%s\b" % re.escape(versioned), replacement, t)
    return t


def versioned_members(records):
    """For each provider record: (member name, table type) of its table,
    and the C++ spelling of that type."""
    found = {}
    by_name = {r.name: r for r in records}
    for provider, macro in VERSIONED_TABLES.items():
        record = by_name.get(provider)
        if not record:
            continue
        for path, _, field_type in record.fields:
            if len(path) == 1 and re.fullmatch(r"\w+Implementation\w+", field_type):
                found[provider] = (macro, path[0], field_type)
    return found


def render(group, facts, declared):
    versioned = versioned_members(facts.records)
    version_types = {table: f"decltype({provider}::{macro})"
                     for provider, (macro, _, table) in versioned.items()}
    lines = [
        f"// Generated by scripts/gen_qnn_layout_facts.py from the {group} facts of QNN's",
        "// published headers, for what vendors/qualcomm/qnn_api declares. Do not edit:",
        "// rerun the script. Each includer defines the VANTRO_QNN_* macros.",
        "",
    ]
    for record in facts.records:
        if record.name not in declared:
            continue
        name = cxx_type(record.name, version_types)
        lines.append(f"VANTRO_QNN_RECORD({name}, {record.size}, {record.align})")
        if record.tag:
            lines.append(f"VANTRO_QNN_RECORD_TAG({name}, {record.tag})")
        if record.name in versioned:
            macro, member, table = versioned[record.name]
            lines.append(f"VANTRO_QNN_VERSIONED_MEMBER({name}, {macro}, {member}, {table})")
        for path, offset, field_type in record.fields:
            if record.name in versioned and path[0] == versioned[record.name][1]:
                path = (versioned[record.name][0],) + path[1:]
            lines.append(f"VANTRO_QNN_FIELD({name}, {'.'.join(path)}, {offset}, "
                         f"{cxx_type(field_type, version_types)})")
    values = {}
    for name, value in facts.enums + facts.macros:
        if name in values:
            if values[name] != value:
                raise ValueError(f"{group} facts: {name} is both {values[name]} and {value}")
            continue
        values[name] = value
        if name in declared:
            lines.append(f"VANTRO_QNN_CONSTANT({name}, {value})")
    for name, function_type in facts.functions:
        if name in declared:
            lines.append(f"VANTRO_QNN_FUNCTION({name}, {cxx_type(function_type, version_types)})")
    return "\n".join(lines) + "\n"


def missing_facts(facts, declared):
    names = [r.name for r in facts.records] + [n for n, _ in facts.enums + facts.macros]
    names += [n for n, _ in facts.functions]
    return [n for n in names if n not in declared]


def listed_headers(headers_file):
    if not os.path.exists(headers_file):
        return set()
    return set(re.findall(r'^\s*#\s*include\s+"([^"]+)"', open(headers_file).read(), re.M))


# ------------------------------------------------------------------ main


class GroupScan:
    """A group's facts and what our headers of the group declare."""

    def __init__(self, args, group):
        self.group = group
        self.facts = Facts(args.facts_dir, group)
        self.headers = group_headers(args.headers_dir, group)
        self.scans = {h: HeaderScan(os.path.join(args.headers_dir, h)) for h in self.headers}
        self.declared = set().union(*(scan.declared for scan in self.scans.values()))
        self.listed = listed_headers(os.path.join(args.out_dir, f"{group}_headers.h"))


def unknown_names(groups, problems):
    """Fails every QNN-looking name the facts do not hold; returns those
    accepted by rule: an enum type or an opaque tag is no part of the binary
    interface, and is accepted when what it stands for is published."""
    known = set().union(*(g.facts.identifiers() for g in groups))
    enum_types, opaque_tags, first_use = {}, {}, {}
    for g in groups:
        for header, scan in g.scans.items():
            enum_types.update(scan.enum_types)
            for tag, names in scan.opaque_tags.items():
                opaque_tags.setdefault(tag, set()).update(names)
            for name in scan.used | scan.declared:
                first_use.setdefault(name, header)
    accepted = []
    for name in sorted(first_use):
        if name in known or name in ALLOWED_UNKNOWN:
            continue
        values = enum_types.get(name)
        if values and all(v in known for v in values):
            accepted.append(f"{name} (enum type of {values[0]}, ...)")
        elif opaque_tags.get(name) and opaque_tags[name] <= known:
            accepted.append(f"{name} (tag behind {', '.join(sorted(opaque_tags[name]))})")
        else:
            problems.append(f"{first_use[name]}: {name} is not a published QNN name")
    return accepted


def misplaced_names(groups, problems):
    """A group's published name declared in another group's header would be
    checked by neither group."""
    for g in groups:
        own = g.facts.names()
        for other in groups:
            if other is g:
                continue
            for header, scan in g.scans.items():
                for name in sorted((scan.declared & other.facts.names()) - own):
                    problems.append(f"{header}: declares {name}, which QNN publishes in the "
                                    f"{other.group} headers ({', '.join(GROUPS[other.group])})")


def write_or_check(args, outputs):
    """Writes the changed files, or with --check names them; returns the
    names of the stale files."""
    stale = []
    for file_name, text in outputs.items():
        path = os.path.join(args.out_dir, file_name)
        current = open(path).read() if os.path.exists(path) else ""
        if current == text:
            continue
        if not args.check:
            with open(path, "w") as f:
                f.write(text)
            print(f"wrote {os.path.relpath(path)}")
            continue
        stale.append(file_name)
        diff = difflib.unified_diff(current.splitlines(), text.splitlines(),
                                    f"committed/{file_name}", f"generated/{file_name}",
                                    lineterm="", n=0)
        for line in list(diff)[:40]:
            print(line)
    return stale


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--facts-dir",
                        default=os.path.join(REPO_ROOT, "..", "shared", "qnn-sdk", "abi"))
    parser.add_argument("--headers-dir",
                        default=os.path.join(REPO_ROOT, "vendors", "qualcomm", "qnn_api"))
    parser.add_argument("--out-dir", default=os.path.join(REPO_ROOT, "tests", "qnn_layout"))
    parser.add_argument("--check", action="store_true", help="fail if the committed files differ")
    parser.add_argument("--list", action="store_true",
                        help="list the facts we do not declare and the names accepted by rule")
    args = parser.parse_args()
    if not os.path.isdir(args.facts_dir):
        sys.exit(f"gen_qnn_layout_facts: no facts directory {args.facts_dir} (see --facts-dir)")

    groups = [GroupScan(args, group) for group in GROUPS]
    problems = []
    outputs = {}
    for g in groups:
        text = render(g.group, g.facts, g.declared)
        outputs[f"{g.group}_facts.inc"] = text
        checks = sum(1 for line in text.split("\n") if line.startswith("VANTRO_QNN_"))
        missing = missing_facts(g.facts, g.declared)
        print(f"{g.group}: {len(g.headers)} headers, {checks} checks; "
              f"{len(missing)} published names not declared")
        if args.list:
            for name in missing:
                print(f"  not declared: {name}")
        for header in g.headers:
            if header not in g.listed:
                problems.append(f"{g.group}_headers.h does not include {header}")
    accepted = unknown_names(groups, problems)
    print(f"{len(accepted)} names the facts cannot hold, accepted as enum types or opaque tags")
    if args.list:
        for line in accepted:
            print(f"  accepted: {line}")
    misplaced_names(groups, problems)

    stale = write_or_check(args, outputs)
    for problem in problems:
        print(f"error: {problem}")
    for file_name in stale:
        print(f"error: {file_name} is out of date: rerun scripts/gen_qnn_layout_facts.py")
    return 1 if problems or stale else 0


if __name__ == "__main__":
    sys.exit(main())
