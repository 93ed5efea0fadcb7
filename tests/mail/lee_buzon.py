#!/usr/bin/python3
"""Prints the messages of a Maildir as JSON, read with Python's email package: envelope
recipients, headers as a reader decodes them, the text, and each attachment's name and bytes
(base64)."""
import base64
import email
import email.policy
import json
import mailbox
import re
import sys


def llegada(clave):
    """The order messages arrived in, from a Maildir name "SECONDS.M<us>P<pid>Q<n>.host". Its
    microseconds have no leading zeros, so the names alone do not sort by time."""
    n = re.match(r"(\d+)\.M(\d+)P\d+Q(\d+)\.", clave)
    return (int(n[1]), int(n[2]), int(n[3]), clave) if n else (0, 0, 0, clave)


mensajes = []
buzon = mailbox.Maildir(sys.argv[1], factory=None)
for clave in sorted(buzon.keys(), key=llegada):
    # The bytes as they arrived: a message object of mailbox's would fold them anew.
    m = email.message_from_bytes(buzon.get_bytes(clave), policy=email.policy.default)
    texto = m.get_body(preferencelist=("plain",))
    mensajes.append({
        "sobre": [r.strip() for r in m["X-RcptTo"].split(",")],
        "de": str(m["From"]),
        "para": str(m["To"]),
        "responder": str(m["Reply-To"] or ""),
        "asunto": str(m["Subject"]),
        "fecha": str(m["Date"] or ""),
        "id": str(m["Message-ID"] or ""),
        "bcc": m["Bcc"] is not None,
        "cuerpo": texto.get_content() if texto else "",
        "adjuntos": [{"nombre": p.get_filename(),
                      "bytes": base64.b64encode(p.get_content()).decode()}
                     for p in m.iter_attachments()],
    })
json.dump(mensajes, sys.stdout, ensure_ascii=False)
