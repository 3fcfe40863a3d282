#!/usr/bin/env python3
# answer.py FILE: answers the first request on 127.0.0.1:80 with the bytes of FILE, for start-up cases
# that nginx cannot send. It returns once it listens and serves from the background, so Kavel.exe can
# start at once; without a request it gives up after 20 s.
import os, socket, sys

answer = open(sys.argv[1], "rb").read()
listener = socket.create_server(("127.0.0.1", 80))
if os.fork():
    sys.exit(0)
listener.settimeout(20)
client, _ = listener.accept()
request = b""
while b"\r\n\r\n" not in request and (chunk := client.recv(1024)):
    request += chunk
client.sendall(answer)
client.close()
