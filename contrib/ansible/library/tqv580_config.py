#!/usr/bin/python3
# Ansible module: bring a TQV-580 gateway to a configuration through `tqv580-cli apply --json`.
# Idempotent: a gateway that already holds the project gets no write; check mode only compares.

DOCUMENTATION = r'''
module: tqv580_config
short_description: Apply a TQV-580 gateway configuration idempotently
description:
  - Reads the gateway's configuration, downloads the project only when what the transfer carries
    differs, then verifies it by reading it back. Runs C(tqv580-cli apply --json) on the host the
    gateway is connected to.
options:
  project:
    description: The project (.tqv or .json) the gateway should hold.
    type: path
    required: true
  port:
    description: Serial port of the gateway (a serial gateway type). Exclusive with I(address).
    type: str
  address:
    description: IPv4 address of the Ethernet gateway. Exclusive with I(port).
    type: str
  gateway_port:
    description: TCP port of the Ethernet gateway when it is not the default 18801.
    type: int
  baud:
    description: Baud rate of the serial port (default the gateway type's).
    type: str
  answer_yes:
    description: Answer Yes to the download's questions (nodes without commands, mapping conflicts).
    type: bool
    default: false
  cli:
    description: The tqv580-cli program to run.
    type: path
    default: tqv580-cli
notes:
  - Supports check mode (C(--check)), which reports what would change and writes nothing.
'''

RETURN = r'''
changed:
  description: Whether the project was downloaded (in check mode, whether it would be).
  type: bool
differences:
  description: The paths of the values that differed, as C(tqv580-cli diff) names them.
  type: list
  elements: str
verified:
  description: Whether the gateway holds the project afterwards.
  type: bool
'''

import json

from ansible.module_utils.basic import AnsibleModule


def main():
    module = AnsibleModule(
        argument_spec=dict(
            project=dict(type='path', required=True),
            port=dict(type='str'),
            address=dict(type='str'),
            gateway_port=dict(type='int'),
            baud=dict(type='str'),
            answer_yes=dict(type='bool', default=False),
            cli=dict(type='path', default='tqv580-cli'),
        ),
        mutually_exclusive=[['port', 'address']],
        required_one_of=[['port', 'address']],
        supports_check_mode=True,
    )
    p = module.params
    args = [p['cli'], '--lang', 'en']
    if p['answer_yes']:
        args.append('--yes')
    args += ['apply', p['project'], '--json']
    args += ['--port', p['port']] if p['port'] else ['--address', p['address']]
    if p['baud']:
        args += ['--baud', p['baud']]
    if module.check_mode:
        args.append('--check')
    environment = {}
    if p['gateway_port']:
        environment['TQV580_GATEWAY_PORT'] = str(p['gateway_port'])

    rc, out, err = module.run_command(args, environ_update=environment)
    try:
        result = json.loads(out.strip().splitlines()[-1])
    except (ValueError, IndexError):
        # No result at all: bad usage or an unreadable project; the reason is on stderr.
        module.fail_json(msg=err.strip() or 'tqv580-cli apply gave no result', rc=rc, stderr=err)
    outcome = dict(changed=result['changed'], differences=result['differences'], verified=result['verified'],
                   rc=rc, stderr=err)
    if rc != 0 or result['error']:
        module.fail_json(msg=result['error'] or err.strip(), **outcome)
    module.exit_json(**outcome)


if __name__ == '__main__':
    main()
