#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright 2026 The Tavrin developers

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: profile
short_description: Bring a POS keyboard's settings to a Tavrin profile
description:
  - Runs C(tavrin-cli --json apply) on the host. It reads the keyboard, compares every item
    and the scan-code mode with the profile by the EEPROM bits each holds, and only when
    something differs saves a backup, writes the whole image, reads it back and verifies it.
  - Nothing is written when the keyboard already holds the profile, so a second run reports
    C(ok) and sends no setting to the keyboard.
  - Bytes of the profile that no write can set are returned in C(unwritten_bytes); they never
    count as a change.
version_added: "1.7.0"
author:
  - Tavrin developers
options:
  profile:
    description:
      - A profile as C(tavrin-cli read --save till.json) writes it, or a binary settings file.
      - A path on the host, or the profile's content (JSON text or a dictionary), for example
        C("{{ lookup('file', 'till.json') }}") for a file on the controller.
    type: raw
    required: true
  cli:
    description:
      - Path or name of C(tavrin-cli) on the host.
    type: str
    default: tavrin-cli
  backup_dir:
    description:
      - Where the backup taken before a write is kept (named by time, never overwritten, the
        newest 20 kept).
      - Default C(/var/lib/tavrin/backups) on Linux when run as root; for any other user the
        user's data folder, C($XDG_DATA_HOME/tavrin/backups) (by default under
        C(~/.local/share)).
    type: path
  simulate:
    description:
      - Talk to the simulated keyboard instead of the keyboard controller (tests).
    type: bool
    default: false
  sim_image:
    description:
      - The simulated keyboard's EEPROM file, kept between runs; given, it means C(simulate).
    type: path
  wire_log:
    description:
      - Log every byte sent to the keyboard controller's data port to this file (tests).
    type: path
attributes:
  check_mode:
    support: full
    description: Reads and compares only (C(apply --check)); sends no setting.
  diff_mode:
    support: full
    description: Shows the items that change, C(KEY = VALUE) before and after.
requirements:
  - tavrin-cli 1.7G or later on the host
notes:
  - A profile the tool refuses (an unknown key, a value no item takes, broken JSON) fails
    with the tool's message and the line of the fault; a profile path that names no file on
    the host fails naming it, before the tool runs.
  - For Windows hosts use M(ansible.windows.win_command) with C(tavrin-cli.exe --json apply);
    see the collection's C(playbooks/windows_tills.yml).
"""

EXAMPLES = r"""
- name: Keyboards of every till as the chain's profile says
  tavrin.keyboard.profile:
    profile: /etc/tavrin/till.json
  register: keyboard

- name: A profile kept on the controller
  tavrin.keyboard.profile:
    profile: "{{ lookup('file', 'profiles/till.json') }}"
    backup_dir: /var/backups/tavrin

- name: What would change (ansible-playbook --check --diff shows the items)
  tavrin.keyboard.profile:
    profile: /etc/tavrin/till.json
  check_mode: true

- name: Against the simulated keyboard
  tavrin.keyboard.profile:
    profile: till.json
    simulate: true
    sim_image: /tmp/keyboard.bin
"""

RETURN = r"""
changed:
  description: Whether the keyboard was (or in check mode would be) written.
  returned: always
  type: bool
outcome:
  description: C(unchanged), C(changed), C(would change) or C(failed), as tavrin-cli says.
  returned: when tavrin-cli printed its document
  type: str
  sample: changed
differences:
  description: The items that differ, the keyboard's value (a) and the profile's (b), with the
    EEPROM bytes each holds.
  returned: when the keyboard was read
  type: list
  elements: dict
  sample:
    - number: 63
      key: msr.track2.enable
      caption: Enable Track 2 Reader
      a: "YES"
      b: "NO"
      bytes_a: "07"
      bytes_b: "05"
unwritten_bytes:
  description: Bytes of the profile that no write sets (address, keyboard a, profile b).
  returned: when the keyboard was read
  type: list
  elements: dict
backup:
  description: The backup of the keyboard's settings taken before the write.
  returned: when the keyboard was written
  type: str
  sample: /var/lib/tavrin/backups/tavrin-20260131T142501Z.json
verify:
  description: What was sent against what was read back; items listed here failed.
  returned: when a write was verified
  type: dict
rc:
  description: tavrin-cli's exit status.
  returned: always
  type: int
stderr:
  description: tavrin-cli's messages.
  returned: always
  type: str
"""

import json
import os

from ansible.module_utils.basic import AnsibleModule
from ansible.module_utils.common.text.converters import to_text


def profile_argument(module):
    """The profile as a path for tavrin-cli: given, or its content in a private file."""
    value = module.params["profile"]
    if isinstance(value, dict):
        value = json.dumps(value, indent=2, ensure_ascii=False)
    value = to_text(value)
    if not value.lstrip().startswith("{"):
        return value
    path = os.path.join(module.tmpdir, "profile.json")
    with open(path, "w", encoding="utf-8") as f:
        f.write(value)
    os.chmod(path, 0o600)
    return path


def default_backup_dir():
    """The tool's own default for root; the user's data folder for anyone else."""
    if os.geteuid() == 0:
        return None
    data = os.environ.get("XDG_DATA_HOME", "")
    if not os.path.isabs(data):
        data = os.path.join(os.path.expanduser("~"), ".local", "share")
    return os.path.join(data, "tavrin", "backups")


def diff_text(items, side):
    return "".join("%s = %s\n" % (i["key"], i[side]) for i in items)


def main():
    module = AnsibleModule(
        argument_spec=dict(
            profile=dict(type="raw", required=True),
            cli=dict(type="str", default="tavrin-cli"),
            backup_dir=dict(type="path"),
            simulate=dict(type="bool", default=False),
            sim_image=dict(type="path"),
            wire_log=dict(type="path"),
        ),
        supports_check_mode=True,
    )
    p = module.params
    cli = p["cli"] if os.sep in p["cli"] else module.get_bin_path(p["cli"], required=True)
    profile = profile_argument(module)
    if not os.path.isfile(profile):
        module.fail_json(
            msg="profile %s: %s on the host"
            % (profile, "not a file" if os.path.exists(profile) else "no such file"),
            changed=False,
        )
    command = [cli, "--json"]
    if p["simulate"] or p["sim_image"]:
        command.append("--simulate")
    if p["sim_image"]:
        command += ["--sim-image", p["sim_image"]]
    if p["wire_log"]:
        command += ["--wire-log", p["wire_log"]]
    command += ["apply", profile]
    if module.check_mode:
        command.append("--check")
    backup_dir = p["backup_dir"] or default_backup_dir()
    if backup_dir:
        command += ["--backup-dir", backup_dir]

    rc, out, err = module.run_command(command)
    result = dict(changed=False, rc=rc, stderr=err, cmd=command)
    try:
        doc = json.loads(out)
    except ValueError:
        module.fail_json(msg=err.strip() or out.strip() or "tavrin-cli printed nothing", **result)

    items = doc.get("differences", {}).get("items", [])
    result.update(
        outcome=doc.get("outcome"),
        differences=items,
        unwritten_bytes=doc.get("unwritten_bytes", []),
        backup=doc.get("backup"),
    )
    if "verify" in doc:
        result["verify"] = doc["verify"]
    if rc != 0 or doc.get("outcome") == "failed":
        module.fail_json(msg=err.strip() or "tavrin-cli apply failed", **result)
    result["changed"] = doc.get("outcome") in ("changed", "would change")
    if module._diff and result["changed"]:
        result["diff"] = dict(
            before=diff_text(items, "a"),
            after=diff_text(items, "b"),
            before_header="keyboard",
            after_header="profile",
        )
    module.exit_json(**result)


if __name__ == "__main__":
    main()
