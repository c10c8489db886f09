#!/usr/bin/env python3
# Prints the parts of a single-file web page as Python's mail parser reads them.
import base64
import email
import email.policy
import json
import sys

with open(sys.argv[1], "rb") as f:
    message = email.message_from_binary_file(f, policy=email.policy.compat32)
parts = message.get_payload() if message.is_multipart() and not message.defects else []
json.dump([{
    "headers": [f"{k}: {v}" for k, v in part.items()],
    "body": base64.b64encode(part.get_payload(decode=True) or b"").decode(),
} for part in parts], sys.stdout)
