#!/usr/bin/env python3
"""The manual pages and the programs' --help texts tell the same story.

For kivelo, kivelo-cli (each command) and qvsim:
  - every option a --help names appears in the page (for a kivelo-cli command,
    in that command's subsection);
  - every command of `kivelo-cli --help` has its subsection;
  - every exit code a --help lists is documented: a command's codes in its
    subsection's "Exit status:" line, all codes of the program and its
    commands under EXIT STATUS, the same sets;
  - every environment variable a --help names is under ENVIRONMENT;
  - every option the page lists as an item (.TP) is one the program knows:
    given to the program, it is not refused as unknown.

Usage: check_man_pages.py BIN_DIR MAN_DIR
"""
import os
import re
import subprocess
import sys
import tempfile

OPTION = re.compile(r"(?<![\w-])(--?[A-Za-z][A-Za-z0-9-]*)")
VARIABLE = re.compile(r"\b((?:KIVELO|QVSIM|XDG)_[A-Z0-9_]*[A-Z0-9])\b")
failures = []


def fail(message):
    failures.append(message)


def run(argv, env, cwd, timeout=20):
    """(exit status or None on time-out, stdout + stderr)"""
    try:
        p = subprocess.run(argv, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                           env=env, cwd=cwd, timeout=timeout)
        return p.returncode, p.stdout.decode(errors="replace") + p.stderr.decode(errors="replace")
    except subprocess.TimeoutExpired as e:
        out = (e.stdout or b"") + (e.stderr or b"")
        return None, out.decode(errors="replace")


def help_text(argv, env, cwd):
    status, text = run(argv + ["--help"], env, cwd)
    if status != 0:
        fail(f"{' '.join(argv)} --help exits {status}")
    return text


# ---- roff ------------------------------------------------------------------

ALTERNATING = {"BR", "RB", "IR", "RI", "BI", "IB"}


def macro_args(rest):
    args, current, quoted, i = [], "", False, 0
    while i < len(rest):
        c = rest[i]
        if c == '"':
            quoted = not quoted
        elif c == " " and not quoted:
            if current:
                args.append(current)
            current = ""
        else:
            current += c
        i += 1
    if current:
        args.append(current)
    return args


def plain(text):
    text = re.sub(r"\\f[BIRP]", "", text)
    for escape, char in ((r"\-", "-"), (r"\(aq", "'"), (r"\(dq", '"'), (r"\(mu", "x"), (r"\(em", "--"),
                         (r"\&", ""), (r"\e", "\\")):
        text = text.replace(escape, char)
    return text


class Section:
    def __init__(self, level, title):
        self.level, self.title, self.lines, self.items = level, title, [], []

    @property
    def text(self):
        return self.title + "\n" + "\n".join(self.lines)


def read_page(path):
    """The page as a list of sections (.SH level 1, .SS level 2), each with
    its plain text and the tags of its .TP items."""
    sections = [Section(0, "")]
    tag_next = False
    with open(path, encoding="utf-8") as f:
        for raw in f:
            line = raw.rstrip("\n")
            if line.startswith('.\\"'):
                continue
            if line.startswith("."):
                name, _, rest = line[1:].partition(" ")
                args = [plain(a) for a in macro_args(rest)]
                if name in ("SH", "SS"):
                    sections.append(Section(1 if name == "SH" else 2, " ".join(args)))
                    continue
                if name in ("TP", "TQ"):
                    tag_next = True
                    continue
                content = "".join(args) if name in ALTERNATING else " ".join(args)
            else:
                content = plain(line)
            if tag_next and content:
                sections[-1].items.append(content)
                tag_next = False
            sections[-1].lines.append(content)
    return sections


def section(sections, title, level=1):
    for s in sections:
        if s.level == level and s.title == title:
            return s
    fail(f"no section {title}")
    return Section(level, title)


def subsections(sections, parent):
    inside, found = False, []
    for s in sections:
        if s.level == 1:
            inside = s.title == parent
        elif inside and s.level == 2:
            found.append(s)
    return found


def whole(sections):
    return "\n".join(s.text for s in sections)


# ---- help texts -------------------------------------------------------------

def options_of(text):
    return sorted(set(OPTION.findall(text)))


def exit_codes(text):
    m = re.search(r"Exit codes:(.*)", text, re.S)
    if not m:
        return None
    return {int(code) for code in re.findall(r"(?:^|,)\s*(\d+)\s", " ".join(m.group(1).split()))}


def check_known(argv_prefix, option, env, cwd, page):
    """The program does not refuse option as unknown."""
    status, text = run(argv_prefix + [option, "?"], env, cwd, timeout=10)
    if re.search(rf"unknown.*option {re.escape(option)}(?![\w=-])", text):
        fail(f"{page}: {option} is documented, but {' '.join(argv_prefix)} refuses it: {text.strip()}")


def check_page(name, bin_dir, man_dir, env, cwd):
    sections = read_page(os.path.join(man_dir, name + ".1"))
    program = os.path.join(bin_dir, name)
    text = help_text([program], env, cwd)
    environment = section(sections, "ENVIRONMENT").text
    for variable in VARIABLE.findall(text):
        if variable not in environment:
            fail(f"{name}.1: {variable} of --help is not under ENVIRONMENT")

    if name == "kivelo-cli":
        commands = re.findall(r"^  ([a-z]+)\s{2,}", text.split("Commands:", 1)[-1], re.M)
        if not commands:
            fail("kivelo-cli --help lists no commands")
        documented = {s.title.split()[0]: s for s in subsections(sections, "COMMANDS")}
        all_codes = exit_codes(text) or set()
        for command in commands:
            sub = documented.get(command)
            if sub is None:
                fail(f"kivelo-cli.1: command {command} has no subsection under COMMANDS")
                continue
            command_help = help_text([program, command], env, cwd)
            for option in options_of(command_help):
                if option not in ("--help", "-h") and not re.search(rf"(?<![\w-]){re.escape(option)}(?![\w-])",
                                                                   sub.text):
                    fail(f"kivelo-cli.1: {command} {option} of --help is not in the {command} subsection")
            for variable in VARIABLE.findall(command_help):
                if variable not in environment:
                    fail(f"kivelo-cli.1: {variable} of {command} --help is not under ENVIRONMENT")
            codes = exit_codes(command_help)
            all_codes |= codes or set()
            if codes is not None:
                m = re.search(r"Exit status:(.*)", sub.text, re.S)
                listed = exit_codes("Exit codes:" + m.group(1)) if m else set()
                if listed != codes:
                    fail(f"kivelo-cli.1: {command} documents exit status {sorted(listed)}, "
                         f"--help lists {sorted(codes)}")
            for tag in sub.items:
                for option in OPTION.findall(tag.split()[0]):
                    check_known([program, command], option, env, cwd, f"kivelo-cli.1 {command}")
        # EXIT STATUS: the codes of the program and of all its commands, no more.
        tags = {int(t) for t in section(sections, "EXIT STATUS").items if t.isdigit()}
        if tags != all_codes:
            fail(f"kivelo-cli.1: EXIT STATUS documents {sorted(tags)}, the --help texts list {sorted(all_codes)}")
        return

    options = section(sections, "OPTIONS")
    for option in options_of(text):
        if not re.search(rf"(?<![\w-]){re.escape(option)}(?![\w-])", whole([options, section(sections, "SYNOPSIS")])):
            fail(f"{name}.1: {option} of --help is not under OPTIONS")
    for tag in options.items:
        for option in OPTION.findall(tag):
            check_known([program], option, env, cwd, f"{name}.1")


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    bin_dir, man_dir = sys.argv[1:]
    with tempfile.TemporaryDirectory() as work:
        # Nothing of the runs may land in the build tree: settings and
        # outputs go to the scratch folder, windows nowhere.
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", KIVELO_SETTINGS=os.path.join(work, "kivelo.stp"),
                   XDG_CONFIG_HOME=work, HOME=work)
        for variable in list(env):
            if variable.startswith("QVSIM_"):
                del env[variable]
        pages = ["kivelo-cli", "qvsim"]
        if os.path.exists(os.path.join(bin_dir, "kivelo")):
            pages.insert(0, "kivelo")
        for page in pages:
            check_page(page, bin_dir, man_dir, env, work)
    for message in failures:
        print("FAIL:", message)
    if not failures:
        print("manual pages agree with --help:", ", ".join(pages))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
