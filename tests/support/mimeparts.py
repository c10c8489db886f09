#!/usr/bin/env python3
"""Reads a single-file web page (MIME multipart/related) with Python's own
mail parser and prints its parts as JSON: headers in order and the body
decoded by its transfer encoding, base64-wrapped for transport."""
import base64
import email
import email.policy
import json
import sys

with open(sys.argv[1], "rb") as f:
    message = email.message_from_binary_file(f, policy=email.policy.compat32)
parts = message.get_payload() if message.is_multipart() else []
json.dump({
    "multipart": message.is_multipart(),
    "defects": [type(d).__name__ for d in message.defects],
    "headers": list(message.keys()),
    "parts": [{
        "headers": [[k, v] for k, v in part.items()],
        "body": base64.b64encode(part.get_payload(decode=True) or b"").decode(),
    } for part in parts],
}, sys.stdout)
