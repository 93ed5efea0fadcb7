#!/usr/bin/python3
"""A mail server for the tests: aiosmtpd on loopback, STARTTLS and AUTH required, messages
into a Maildir. Recipients ask for faults by how their address begins:
  temporal...  451 the first time, then accepted
  rechaza...   550 at RCPT, always
  corta...     the connection dropped during DATA the first time, then accepted
  silencio...  no answer to DATA, ever
  apaga...     the server ends at DATA
Usage: servidor_correo.py CERT KEY MAILDIR USER [tls|plano]; the password comes in
QUILTARO_CLAVE_PRUEBA. With "tls" it speaks TLS from the start instead of STARTTLS; with
"plano", no TLS at all.
Prints "listo PORT" once it takes connections. Each login accepted adds a line to
MAILDIR/../autenticaciones."""
import asyncio
import mailbox
import os
import socket
import ssl
import sys

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult

cert, key, maildir, usuario = sys.argv[1:5]
modo = (sys.argv[5:] or [""])[0]
clave = os.environ["QUILTARO_CLAVE_PRUEBA"].encode()
bitacora_auth = os.path.join(os.path.dirname(os.path.abspath(maildir)), "autenticaciones")


def autentica(server, session, envelope, mechanism, auth_data):
    ok = auth_data.login == usuario.encode() and auth_data.password == clave
    if ok:
        with open(bitacora_auth, "a") as f:
            f.write("ok\n")
    return AuthResult(success=ok, handled=False)


class Buzon:
    def __init__(self):
        self.buzon = mailbox.Maildir(maildir, create=True)
        self.ya_fallaron = set()

    def primera_vez(self, direccion):
        nueva = direccion not in self.ya_fallaron
        self.ya_fallaron.add(direccion)
        return nueva

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.startswith("rechaza"):
            return "550 5.1.1 Buzon inexistente"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        for r in envelope.rcpt_tos:
            if r.startswith("apaga"):
                os._exit(0)
            if r.startswith("silencio"):
                await asyncio.sleep(3600)
            if r.startswith("temporal") and self.primera_vez(r):
                return "451 4.3.0 Intente mas tarde"
            if r.startswith("corta") and self.primera_vez(r):
                server.transport.abort()
                return "451 cortada"
        cabeza = "X-MailFrom: %s\r\nX-RcptTo: %s\r\n" % (
            envelope.mail_from, ", ".join(envelope.rcpt_tos))
        self.buzon.add(cabeza.encode() + envelope.original_content)
        return "250 2.0.0 Guardado"


contexto = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
contexto.load_cert_chain(cert, key)
with socket.socket() as s:
    s.bind(("127.0.0.1", 0))
    puerto = s.getsockname()[1]
if modo == "tls":
    tls = dict(ssl_context=contexto, auth_require_tls=False)  # it is TLS all along
elif modo == "plano":
    tls = dict(auth_require_tls=False)
else:
    tls = dict(tls_context=contexto, require_starttls=True, auth_require_tls=True)
controlador = Controller(Buzon(), hostname="127.0.0.1", port=puerto, authenticator=autentica,
                         auth_required=True, **tls)
controlador.start()
print("listo", puerto, flush=True)
try:
    sys.stdin.read()  # ends when the test closes our input or ends us
finally:
    controlador.stop()
