#!/usr/bin/env python3
"""fendrix-cli's man page and bash completion against the program itself:
every command and option that its --help shows has its own item in the man
page and is offered by the completion, and the man page's EXIT STATUS lists
every exit code of cli/exit_codes.h and none that the program never returns.

Usage: check_cli_docs.py FENDRIX_CLI SOURCE_DIR"""
import glob, re, subprocess, sys

cli, src = sys.argv[1:3]
page = open(f"{src}/docs/man/fendrix-cli.1").read()
completion = f"{src}/packaging/completion/fendrix-cli"
problems = []


def help_of(*words):
    return subprocess.run([cli, *words, "--help"], capture_output=True, text=True, check=True).stdout


def options_of(text):
    """Option names and their closed choices ({a,b}) from a CLI11 help text;
    None for a flag, which takes no value (its "Excludes: ..." names none)."""
    found = {}
    for line in text.splitlines():
        m = re.match(r"^\s+(-[^ ]+)( [A-Z]+(?::\{([^}]*)\})?(?=[ :=]|$))?", line)
        if m:
            for name in m.group(1).split(","):
                found[name] = None if m.group(2) is None else m.group(3).split(",") if m.group(3) else []
    return found


def plain(roff):
    return re.sub(r"\\f[BIRP]", "", roff).replace("\\-", "-")


def sections(roff, macro):
    """Text of each '.SH/.SS NAME' section of the page, by name."""
    parts = re.split(rf"^\.{macro} (.*)$", roff, flags=re.M)
    return {parts[i].strip('"'): parts[i + 1] for i in range(1, len(parts), 2)}


def item_tags(roff):
    """The tag line of every .TP item, in plain text."""
    return [plain(m) for m in re.findall(r"^\.TP\n(.*)$", roff, flags=re.M)]


def completes(*words):
    script = f"""
source /usr/share/bash-completion/bash_completion
source {completion}
COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${{#COMP_LINE}}
_fendrix_cli
printf '%s\\n' "${{COMPREPLY[@]}}"
"""
    out = subprocess.run(["bash", "-c", script, "bash", cli, *words], capture_output=True, text=True)
    return set(out.stdout.split())


top = help_of()
commands = re.findall(r"^  ([a-z][a-z0-9-]*) ", top.split("Subcommands:")[1], flags=re.M)
commands_page = sections(page, "SS")
tags = " ".join(item_tags(page))

if completes("") != set(commands):
    problems.append(f"completion offers {sorted(completes(''))} for commands {commands}")
for name in options_of(top):
    if name not in tags:
        problems.append(f"{name} has no item in the man page")
for command in commands:
    if command not in commands_page:
        problems.append(f"command {command} has no section (.SS {command}) in the man page")
    options = options_of(help_of(command))
    offered = completes(command, "--")
    for name, choices in options.items():
        if name not in tags:
            problems.append(f"{command} {name} has no item in the man page")
        if name.startswith("--") and name not in offered:
            problems.append(f"completion does not offer {command} {name}")
        if choices and completes(command, name, "") != set(choices):
            problems.append(f"completion of {command} {name} is not {choices}")
        if choices is None and name.startswith("--") and completes(command, name, "--") != offered:
            problems.append(f"completion after the flag {command} {name} does not offer the options")

# The named exit codes must all be documented; a documented one that is not
# named must at least be returned as a number somewhere in cli/.
codes = set(re.findall(r"kExit\w+\s*=\s*(\d+)\s*;", open(f"{src}/cli/exit_codes.h").read()))
literal = set()
for path in glob.glob(f"{src}/cli/*.cpp"):
    literal |= set(re.findall(r"\breturn (\d+);", open(path).read()))
documented = set(re.findall(r"^\.TP\n\.B (\d+)$", sections(page, "SH").get("EXIT STATUS", ""), flags=re.M))
if codes - documented:
    problems.append(f"EXIT STATUS lacks {sorted(codes - documented)}")
if documented - codes - literal:
    problems.append(f"EXIT STATUS lists {sorted(documented - codes - literal)}, which the program never returns")

for p in problems:
    print("  -", p)
print(f"{len(commands)} commands checked: " + ("FAIL" if problems else "ok"))
sys.exit(1 if problems else 0)
