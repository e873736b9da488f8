# The tavik_config module run as Ansible runs it (a Python process reading
# its arguments from a file) against a fake tavik-config that records its
# command line and environment and answers as told: what the module asks
# the program for, and what it reports back to Ansible. No network, no
# switch. Run: python3 -m unittest discover -s ansible/tests/unit
import json
import os
import shutil
import subprocess
import sys
import tempfile
import textwrap
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
MODULE = os.path.join(HERE, "..", "..", "plugins", "modules", "tavik_config.py")


def module_python():
    """An interpreter that has ansible-core (Debian's, when this one lacks it)."""
    for candidate in (sys.executable, "/usr/bin/python3", shutil.which("python3") or ""):
        # From /: an ansible/ folder in the working directory is no ansible-core.
        if candidate and subprocess.call(
            [candidate, "-c", "import ansible.module_utils.basic"], cwd="/", stderr=subprocess.DEVNULL
        ) == 0:
            return candidate
    raise unittest.SkipTest("no Python with ansible-core")


# The fake program: records argv and TAVIK_PASSWORD, then prints and exits
# as $FAKE_ANSWER (a JSON file) says.
FAKE = textwrap.dedent(
    """\
    #!/usr/bin/env python3
    import json, os, sys
    with open(os.environ["FAKE_RECORD"], "w") as f:
        json.dump({"argv": sys.argv[1:], "password": os.environ.get("TAVIK_PASSWORD")}, f)
    with open(os.environ["FAKE_ANSWER"]) as f:
        answer = json.load(f)
    sys.stderr.write(answer.get("stderr", ""))
    sys.stdout.write(answer.get("stdout", ""))
    sys.exit(answer["exit"])
    """
)


def report(result, code, changed=(), message=""):
    return json.dumps({"result": result, "exit": code, "changed": list(changed), "message": message}) + "\n"


class TavikConfigModule(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.python = module_python()

    def setUp(self):
        self.dir = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.dir)
        self.fake = os.path.join(self.dir, "tavik-config")
        with open(self.fake, "w") as f:
            f.write(FAKE)
        os.chmod(self.fake, 0o755)
        self.record = os.path.join(self.dir, "record.json")

    def run_module(self, args, answer, check_mode=False, diff=False):
        """The module's result (its JSON) and what the fake program saw (None: not run)."""
        args = dict({"port": "telnet://cs1:7001", "password": "s3cret", "executable": self.fake}, **args)
        args["_ansible_check_mode"] = check_mode
        args["_ansible_diff"] = diff
        argsfile = os.path.join(self.dir, "args.json")
        with open(argsfile, "w") as f:
            json.dump({"ANSIBLE_MODULE_ARGS": args}, f)
        answerfile = os.path.join(self.dir, "answer.json")
        with open(answerfile, "w") as f:
            json.dump(answer, f)
        env = dict(os.environ, FAKE_RECORD=self.record, FAKE_ANSWER=answerfile)
        env.pop("TAVIK_PASSWORD", None)
        out = subprocess.run(
            [self.python, MODULE, argsfile], env=env, capture_output=True, text=True, timeout=60
        )
        self.assertTrue(out.stdout, out.stderr)
        result = json.loads(out.stdout)
        seen = None
        if os.path.exists(self.record):
            with open(self.record) as f:
                seen = json.load(f)
            os.remove(self.record)
        return result, seen

    def test_runs(self):
        # name, module args, check mode, fake's answer, expected: the program's
        # action, failed, changed, differs, changes, differences, diff shown
        ok = {"exit": 0, "stdout": report("ok", 0, message="settings saved")}
        typed = {"exit": 0, "stdout": report("ok", 0, ["Misc: MAC hash DirectMap -> CRC-Hash"], "verified")}
        same = {"exit": 0, "stdout": report("ok", 0, [], "already holds")}
        differs = {"exit": 6, "stdout": report("differs", 6, ["Port PORT4: in rate 0 -> 100"], "differs")}
        verify = {"exit": 6, "stdout": report("differs", 6, ["Trunk 1: a -> b"], "still differs")}
        lost = {"exit": 3, "stdout": report("failed", 3, ["Trunk 1: a -> b"], "the line died")}
        rows = [
            ("backup", {"backup": "/b.json"}, False, ok, "backup", False, False, False, [], [], False),
            ("backup in check mode", {"backup": "/b.json"}, True, ok, None, False, False, False, [], [], False),
            ("restore that typed", {"restore": "/r.json"}, False, typed, "restore", False, True, False,
             ["Misc: MAC hash DirectMap -> CRC-Hash"], [], True),
            ("restore with nothing to type", {"restore": "/r.json"}, False, same, "restore", False, False, False,
             [], [], False),
            ("restore whose verify differs", {"restore": "/r.json"}, False, verify, "restore", True, True, False,
             ["Trunk 1: a -> b"], [], True),
            ("restore that typed, then lost the line", {"restore": "/r.json"}, False, lost, "restore", True, True,
             False, ["Trunk 1: a -> b"], [], True),
            ("restore in check mode, differs", {"restore": "/r.json"}, True, differs, "check", False, True, True,
             [], ["Port PORT4: in rate 0 -> 100"], True),
            ("restore in check mode, equal", {"restore": "/r.json"}, True, same, "check", False, False, False,
             [], [], False),
            ("check, differs", {"check": "/r.json"}, False, differs, "check", False, False, True,
             [], ["Port PORT4: in rate 0 -> 100"], True),
            ("check in check mode, equal", {"check": "/r.json"}, True, same, "check", False, False, False,
             [], [], False),
        ]
        for name, args, check_mode, answer, action, failed, changed, differs_, changes, differences, diff in rows:
            with self.subTest(name):
                result, seen = self.run_module(args, answer, check_mode=check_mode, diff=True)
                if action is None:
                    self.assertIsNone(seen, "the program ran")
                else:
                    self.assertIsNotNone(seen, "the program did not run")
                    self.assertIn("--" + action, seen["argv"])
                    path = seen["argv"][seen["argv"].index("--" + action) + 1]
                    self.assertEqual(path, list(args.values())[0])
                    self.assertIn("--json", seen["argv"])
                self.assertEqual(result.get("failed", False), failed, result)
                # Ansible fails a task whose result has a non-zero rc.
                self.assertEqual(result.get("rc", 0) != 0, failed, result)
                self.assertEqual(result["exit_code"] if action else None, answer["exit"] if action else None)
                self.assertEqual(result["changed"], changed, result)
                self.assertEqual(result["differs"], differs_, result)
                self.assertEqual(result["changes"], changes, result)
                self.assertEqual(result["differences"], differences, result)
                self.assertEqual("diff" in result, diff, result)
                if diff:
                    self.assertEqual(result["diff"]["prepared"], "\n".join(changes or differences) + "\n")

    def test_command_line_and_password(self):
        result, seen = self.run_module(
            {"backup": "/b.json", "user": "netops", "timeout": 60, "language": "tw"},
            {"exit": 0, "stdout": report("ok", 0)},
        )
        self.assertFalse(result.get("failed", False), result)
        self.assertEqual(
            seen["argv"],
            ["--port", "COM1=telnet://cs1:7001", "--user", "netops", "--timeout", "60",
             "--language", "tw", "--json", "--backup", "/b.json"],
        )
        # Through the environment only.
        self.assertEqual(seen["password"], "s3cret")
        self.assertNotIn("s3cret", " ".join(seen["argv"]))
        # A port already named is passed as it is.
        _, seen = self.run_module({"backup": "/b.json", "port": "COM3=/dev/ttyUSB2"},
                                  {"exit": 0, "stdout": report("ok", 0)})
        self.assertEqual(seen["argv"][1], "COM3=/dev/ttyUSB2")

    def test_documentation(self):
        # ansible-doc reads these blocks as YAML; the options documented must
        # be the ones the module takes.
        script = textwrap.dedent(
            """\
            import ast, json, sys, yaml
            tree = ast.parse(open(sys.argv[1]).read())
            docs = {t.targets[0].id: yaml.safe_load(t.value.value) for t in tree.body
                    if isinstance(t, ast.Assign) and t.targets[0].id in ("DOCUMENTATION", "EXAMPLES", "RETURN")}
            options = next(k for k in ast.walk(tree) if isinstance(k, ast.keyword) and k.arg == "argument_spec")
            print(json.dumps({"documented": sorted(docs["DOCUMENTATION"]["options"]),
                              "taken": sorted(k.arg for k in options.value.keywords),
                              "blocks": sorted(docs)}))
            """
        )
        out = subprocess.run([self.python, "-c", script, MODULE], capture_output=True, text=True)
        self.assertEqual(out.returncode, 0, out.stderr)
        seen = json.loads(out.stdout)
        self.assertEqual(seen["blocks"], ["DOCUMENTATION", "EXAMPLES", "RETURN"])
        self.assertEqual(seen["documented"], seen["taken"])

    def test_failures(self):
        # name, module args, fake's answer, what the message must hold, rc
        rows = [
            ("the program's own failure", {"backup": "/b.json"},
             {"exit": 3, "stdout": report("failed", 3, [], "the switch does not answer"),
              "stderr": "connecting on COM1\nfailed: the switch does not answer\n"},
             "the switch does not answer (tavik-config exit code 3)", 3),
            ("a refused file", {"restore": "/r.json"},
             {"exit": 5, "stdout": report("failed", 5, [], "/r.json: ports[3].inRate: must be 0 to 1000")},
             "ports[3].inRate: must be 0 to 1000", 5),
            ("no report at all", {"backup": "/b.json"},
             {"exit": 130, "stdout": "", "stderr": "failed: interrupted again, not logged out\n"},
             "exit code 130 without a report: failed: interrupted again, not logged out", 130),
            ("no program", {"backup": "/b.json", "executable": "/nonexistent/tavik-config"},
             {"exit": 0}, "cannot run /nonexistent/tavik-config", None),
            ("two actions", {"backup": "/b.json", "check": "/r.json"}, {"exit": 0}, "mutually exclusive", None),
        ]
        for name, args, answer, text, rc in rows:
            with self.subTest(name):
                result, _ = self.run_module(args, answer)
                self.assertTrue(result.get("failed"), result)
                self.assertIn(text, result["msg"])
                self.assertEqual(result.get("rc"), rc, result)
                self.assertFalse(result.get("changed"), result)
                self.assertNotIn("s3cret", json.dumps(result))


if __name__ == "__main__":
    unittest.main()
