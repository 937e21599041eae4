#!/usr/bin/env python3
"""A real SMTP server for the group-mail tests (aiosmtpd on loopback).

Modes: "sink" (no TLS, no AUTH, messages only counted), "tls-auth" (STARTTLS, then AUTH LOGIN required), "plain" (no TLS, no AUTH),
"plain-auth" (AUTH LOGIN offered without TLS), "drop" (no AUTH; after --drop-after messages it
closes the connection and stops listening), "slow" (no AUTH; after --drop-after messages it takes
DATA and never answers), "stall" (takes the connection and never greets) and "bad-tls" (offers
STARTTLS, agrees to it, then answers the handshake with plain text). Each --refuse ADDRESS is
refused at RCPT TO with a 550 reply. Every event is one JSON line in --out:
connections, logins and each message as Python's email module reads it. The chosen port is
printed as "PORT <n>"; the server runs until its standard input closes.
"""
import argparse, asyncio, base64, email, email.policy, email.utils, hashlib, json, socket, ssl, sys, threading

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword

p = argparse.ArgumentParser()
p.add_argument("--mode", required=True)
p.add_argument("--out", required=True)
p.add_argument("--cert")
p.add_argument("--key")
p.add_argument("--user", default="sender")
p.add_argument("--password", default="secret")
p.add_argument("--drop-after", type=int, default=0)
p.add_argument("--refuse", action="append", default=[], help="an address refused at RCPT TO")
args = p.parse_args()

lock = threading.Lock()


def record(event):
    with lock, open(args.out, "a", encoding="utf-8") as f:
        f.write(json.dumps(event, ensure_ascii=False) + "\n")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def authenticator(server, session, envelope, mechanism, auth_data):
    ok = isinstance(auth_data, LoginPassword) and auth_data.login.decode() == args.user \
        and auth_data.password.decode() == args.password
    record({"event": "auth", "mechanism": mechanism, "ok": ok, "tls": session.ssl is not None,
            "login": auth_data.login.decode() if isinstance(auth_data, LoginPassword) else None})
    return AuthResult(success=ok, handled=False)


class Handler:
    def __init__(self):
        self.count = 0
        self.controller = None

    async def handle_MAIL(self, server, session, envelope, address, mail_options):
        if args.mode == "drop" and args.drop_after and self.count >= args.drop_after:
            # The server went away: this connection breaks off without a reply.
            server.transport.abort()
            return "421 Service not available"
        envelope.mail_from = address
        envelope.mail_options.extend(mail_options)
        return "250 OK"

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address in args.refuse:
            record({"event": "refused", "address": address})
            return "550 5.1.1 <%s>: Recipient address rejected: User unknown" % address
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if args.mode == "slow" and self.count >= args.drop_after:
            record({"event": "stalled"})
            await asyncio.sleep(3600)  # the client gives up first
        if args.mode == "sink":  # for the benchmark: counted, not read
            record({"event": "message", "size": len(envelope.content), "rcpt_tos": envelope.rcpt_tos})
            return "250 Message accepted for delivery"
        msg = email.message_from_bytes(envelope.content, policy=email.policy.default)
        body = msg.get_body(preferencelist=("plain",))
        attachments = []
        for part in msg.iter_attachments():
            data = part.get_payload(decode=True) or b""
            attachments.append({"name": part.get_filename(), "size": len(data),
                                "sha256": hashlib.sha256(data).hexdigest(),
                                "encoding": part.get("Content-Transfer-Encoding", "")})
        date, message_id = msg.get("Date"), msg.get("Message-ID")
        try:
            sent_at = email.utils.parsedate_to_datetime(str(date)).timestamp() if date else None
        except (TypeError, ValueError):
            sent_at = None
        record({"event": "message", "mail_from": envelope.mail_from, "rcpt_tos": envelope.rcpt_tos,
                "dates": len(msg.get_all("Date") or []), "date": str(date or ""), "sent_at": sent_at,
                "message_ids": len(msg.get_all("Message-ID") or []),
                "message_id": str(message_id or ""),
                "message_id_defects": [type(d).__name__ for d in message_id.defects] if message_id else [],
                "from": str(msg.get("From", "")), "to": str(msg.get("To", "")), "cc": str(msg.get("Cc", "")),
                "bcc_header": msg.get("Bcc") is not None, "subject": str(msg.get("Subject", "")),
                "raw_subject": str(email.message_from_bytes(envelope.content).get("Subject", "")),
                "charset": body.get_content_charset() if body else None,
                "body": body.get_content() if body else None, "attachments": attachments,
                "tls": session.ssl is not None, "authenticated": bool(session.authenticated)})
        self.count += 1
        if args.mode == "drop" and args.drop_after and self.count >= args.drop_after:
            # No new connections from now on.
            self.controller.server.close()
        return "250 Message accepted for delivery"


class RecordingSMTP(SMTP):
    def connection_made(self, transport):
        record({"event": "connect"})
        super().connection_made(transport)


class RecordingController(Controller):
    def factory(self):
        return RecordingSMTP(self.handler, **self.SMTP_kwargs)


def raw_server(mode):
    """A listener that speaks just enough SMTP to go wrong in one particular way."""
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(8)
    held = []

    def talk(conn):
        if mode == "stall":
            return  # held open, silent
        conn.sendall(b"220 bad-tls.example ESMTP\r\n")
        f = conn.makefile("rb")
        for line in f:
            verb = line.strip().upper()
            if verb.startswith(b"EHLO") or verb.startswith(b"HELO"):
                conn.sendall(b"250-bad-tls.example\r\n250 STARTTLS\r\n")
            elif verb == b"STARTTLS":
                conn.sendall(b"220 Go ahead\r\n")
                conn.sendall(b"this is not a TLS handshake\r\n" * 4)
                record({"event": "starttls"})
                return
            elif verb == b"QUIT":
                conn.sendall(b"221 Bye\r\n")
                return
            else:
                conn.sendall(b"502 Not here\r\n")

    def accept():
        while True:
            try:
                conn, _ = listener.accept()
            except OSError:
                return
            held.append(conn)
            record({"event": "connect"})
            threading.Thread(target=talk, args=(conn,), daemon=True).start()

    threading.Thread(target=accept, daemon=True).start()
    print("PORT", listener.getsockname()[1], flush=True)
    sys.stdin.read()
    listener.close()
    for conn in held:
        conn.close()
    sys.exit(0)


if args.mode in ("stall", "bad-tls"):
    raw_server(args.mode)

handler = Handler()
port = free_port()
kwargs = {}
if args.mode == "tls-auth":
    ctx = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    ctx.load_cert_chain(args.cert, args.key)
    kwargs = dict(tls_context=ctx, require_starttls=True, auth_required=True, auth_require_tls=True,
                  authenticator=authenticator)
elif args.mode == "plain-auth":
    kwargs = dict(auth_required=True, auth_require_tls=False, authenticator=authenticator)
controller = RecordingController(handler, hostname="127.0.0.1", port=port, **kwargs)
handler.controller = controller
controller.start()
print("PORT", port, flush=True)
sys.stdin.read()
try:
    controller.stop()
except Exception:
    pass
