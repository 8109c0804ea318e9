#!/usr/bin/python3
# A lab client that keeps files of SMB shares open over libsmbclient until it is killed or its
# time is up:  lab_hold_files.py SECONDS USER PASSWORD URL...   (SECONDS 0: until killed;
# USER "": guest). Prints "open" once every file is open.
import os
import sys
import time

import smbc

seconds, user, password, urls = float(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4:]
context = smbc.Context()
context.functionAuthData = lambda *unused: ("WORKGROUP", user or "guest", password)
held = [context.open(url, os.O_RDONLY) for url in urls]
for handle in held:
    handle.read(1)
print("open", flush=True)
time.sleep(seconds if seconds > 0 else 10**9)
