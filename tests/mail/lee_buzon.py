#!/usr/bin/python3
"""Prints the messages of a Maildir as JSON, read with Python's email package: envelope
recipients, headers as a reader decodes them, the text, and each attachment's name and bytes
(base64)."""
import base64
import email
import email.policy
import json
import mailbox
import sys

mensajes = []
buzon = mailbox.Maildir(sys.argv[1], factory=None)
for clave in sorted(buzon.keys()):
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
