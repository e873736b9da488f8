#!/usr/bin/python
# -*- coding: utf-8 -*-
# Runs the installed tavik-config program headless against one switch's
# console: a backup, a restore or a check of its settings.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
module: tavik_config
short_description: Back up, restore or check a Tavik switch's settings through its console
description:
  - Runs C(tavik-config) headless on the machine the task runs on (use
    C(ansible_connection=local) or C(delegate_to) for the switch hosts; a
    switch is reached through its serial console, never over SSH).
  - Exactly one of I(backup), I(restore) and I(check) is given.
  - The password reaches the program through the environment variable
    C(TAVIK_PASSWORD), never on its command line.
  - In check mode a restore compares the switch with the file instead
    (C(tavik-config --check)) and reports C(changed) when they differ, with
    the differences as the diff; a backup in check mode reads nothing.
options:
  port:
    description:
      - The switch's console line, as C(tavik-config --port) takes it after
        C(COM1=) - a device (C(/dev/ttyUSB0)) or a console server's port
        (C(telnet://cs1.mgmt:7001), C(tcp://cs1.mgmt:4001)). A value that
        already starts with C(COMn=) is passed as it is.
    type: str
    required: true
  user:
    description: The console account.
    type: str
    default: admin
  password:
    description: The console account's password.
    type: str
    required: true
  backup:
    description: Save the switch's settings to this file (on the machine running the program).
    type: path
  restore:
    description: Put the settings of this file back on the switch; only the differences are typed.
    type: path
  check:
    description:
      - Compare the switch with this settings file without changing anything.
        The task reports the differences and C(differs); it does not fail
        when they differ.
    type: path
  timeout:
    description: The longest the program's run may take, in seconds (1 to 86400).
    type: int
    default: 900
  language:
    description: The language of the program's messages.
    type: str
    choices: [en, cn, tw]
    default: en
  executable:
    description: The program to run (a name looked up in the PATH, or a path).
    type: str
    default: tavik-config
notes:
  - Supports check mode and diff mode.
"""

EXAMPLES = r"""
- name: Back up the switch
  tavik.switch.tavik_config:
    port: "{{ port }}"
    password: "{{ vault_switch_password }}"
    backup: "/srv/switch-backups/{{ inventory_hostname }}.json"

- name: Put the saved settings on a replacement switch
  tavik.switch.tavik_config:
    port: telnet://cs1.mgmt:7003
    password: "{{ vault_switch_password }}"
    restore: /srv/switch-backups/sw-hall-3.json
"""

RETURN = r"""
rc:
  description: The program's exit code, when it failed (see tavik-config(1)).
  returned: failed
  type: int
exit_code:
  description: The program's exit code (0 done; 6 differs, which a check reports without failing).
  returned: when the program ran
  type: int
result:
  description: C(ok), C(differs) or C(failed), as the program reported it.
  returned: when the program ran
  type: str
changes:
  description: The settings a restore typed, one line each.
  returned: always
  type: list
  elements: str
differences:
  description: What differs between the switch and the file (a check, or a restore in check mode).
  returned: always
  type: list
  elements: str
differs:
  description: Whether a check found the switch differs from the file.
  returned: always
  type: bool
message:
  description: The program's last word on the run.
  returned: when the program ran
  type: str
stderr_lines:
  description: The program's progress lines.
  returned: when the program ran
  type: list
  elements: str
"""

import json
import os
import re

from ansible.module_utils.basic import AnsibleModule

# Exit codes of tavik-config that are no failure of the run.
EXIT_OK = 0
EXIT_DIFFERS = 6


def port_option(port):
    """The value of --port: the console line under COM1 unless named."""
    return port if re.match(r"^COM[0-9]+=", port) else "COM1=" + port


def command_line(module, executable, action, path):
    p = module.params
    return [
        executable,
        "--port",
        port_option(p["port"]),
        "--user",
        p["user"],
        "--timeout",
        str(p["timeout"]),
        "--language",
        p["language"],
        "--json",
        "--" + action,
        path,
    ]


def read_report(stdout):
    """The program's JSON report: the last line of stdout that is one."""
    for line in reversed(stdout.splitlines()):
        line = line.strip()
        if not line.startswith("{"):
            continue
        try:
            report = json.loads(line)
        except ValueError:
            continue
        if isinstance(report, dict) and "exit" in report:
            return report
    return None


def last_line(text):
    lines = [l for l in text.splitlines() if l.strip()]
    return lines[-1] if lines else ""


def find_executable(module):
    name = module.params["executable"]
    if os.sep in name:
        if not os.access(name, os.X_OK):
            module.fail_json(msg="cannot run %s: no such executable file" % name)
        return name
    path = module.get_bin_path(name, required=False)
    if path is None:
        module.fail_json(msg="cannot run %s: not found in the PATH" % name)
    return path


def run(module, action, path):
    executable = find_executable(module)
    rc, stdout, stderr = module.run_command(
        command_line(module, executable, action, path),
        environ_update={"TAVIK_PASSWORD": module.params["password"]},
    )
    report = read_report(stdout)
    if report is None:
        # Ended without its report (killed, or an older program without
        # --json): its last progress line says why.
        module.fail_json(
            msg="tavik-config ended with exit code %d without a report: %s"
            % (rc, last_line(stderr) or "no output"),
            rc=rc,
            stderr_lines=stderr.splitlines(),
            changed=False,
        )
    return rc, report, stderr.splitlines()


def main():
    module = AnsibleModule(
        argument_spec=dict(
            port=dict(type="str", required=True),
            user=dict(type="str", default="admin"),
            password=dict(type="str", required=True, no_log=True),
            backup=dict(type="path"),
            restore=dict(type="path"),
            check=dict(type="path"),
            timeout=dict(type="int", default=900),
            language=dict(type="str", default="en", choices=["en", "cn", "tw"]),
            executable=dict(type="str", default="tavik-config"),
        ),
        mutually_exclusive=[("backup", "restore", "check")],
        required_one_of=[("backup", "restore", "check")],
        supports_check_mode=True,
    )
    p = module.params
    result = dict(changed=False, changes=[], differences=[], differs=False)

    if p["backup"] and module.check_mode:
        # A backup changes nothing on the switch; check mode reads nothing.
        module.exit_json(msg="check mode: no backup taken", **result)

    if p["backup"]:
        action, path = "backup", p["backup"]
    elif p["restore"] and not module.check_mode:
        action, path = "restore", p["restore"]
    else:
        action, path = "check", p["restore"] or p["check"]

    rc, report, stderr_lines = run(module, action, path)
    lines = [str(l) for l in report.get("changed") or []]
    message = str(report.get("message", ""))
    result.update(exit_code=rc, result=report.get("result"), message=message,
                  stderr_lines=stderr_lines)

    if action == "check":
        differs = rc == EXIT_DIFFERS
        result.update(differences=lines, differs=differs)
        # A restore in check mode would have typed these.
        result["changed"] = differs and bool(p["restore"])
        if differs:
            result["diff"] = dict(prepared="\n".join(lines) + "\n")
    else:
        result["changes"] = lines
        # Only a restore types settings; whatever it typed counts, even when
        # it failed afterwards.
        result["changed"] = action == "restore" and bool(lines)
        if result["changed"]:
            result["diff"] = dict(prepared="\n".join(lines) + "\n")

    if rc == EXIT_OK or (action == "check" and rc == EXIT_DIFFERS):
        # Not as rc: Ansible fails any task whose result has a non-zero rc.
        module.exit_json(msg=message, **result)
    module.fail_json(rc=rc, msg="%s (tavik-config exit code %d)" % (message or "failed", rc), **result)


if __name__ == "__main__":
    main()
