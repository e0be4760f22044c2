#!/usr/bin/env python3
"""Peak memory of qorvd while a large body is uploaded, added and read back.

Usage: transfer_rss.py QORVD_BINARY [SIZE_MB]

Makes a data directory in a temporary folder, starts qorvd on a loopback
port, logs in (channel mode 0), uploads one text body of SIZE_MB megabytes
(command 64), adds it (40), gets its transfer name (38, CR LF) and
downloads it (65), checking the delivered size. Prints the server's peak
resident size (VmHWM) before and after. Everything stays on 127.0.0.1.
"""
import os
import socket
import struct
import subprocess
import sys
import tempfile
import time

MAGIC = 0xA3F5E53C


def frame(sock, payload):
    sock.sendall(struct.pack(">I", len(payload)) + payload)


def recv_exact(sock, n):
    data = bytearray()
    while len(data) < n:
        piece = sock.recv(min(n - len(data), 1 << 20))
        if not piece:
            raise EOFError("connection closed")
        data += piece
    return bytes(data)


def recv_frame(sock):
    (length,) = struct.unpack(">I", recv_exact(sock, 4))
    return recv_exact(sock, length)


def s(text):
    raw = text.encode()
    return struct.pack(">i", len(raw)) + raw


def connect(port):
    sock = socket.create_connection(("127.0.0.1", port))
    sock.sendall(struct.pack(">I", MAGIC))
    recv_exact(sock, 4)
    (n,) = struct.unpack(">i", recv_exact(sock, 4))
    recv_exact(sock, n + 4 + 4)
    (n,) = struct.unpack(">i", recv_exact(sock, 4))
    recv_exact(sock, n + 20)
    return sock


def vm_hwm(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM"):
                return line.split()[1] + " kB"
    return "?"


def main():
    binary = sys.argv[1]
    size = int(sys.argv[2]) * 1000 * 1000 if len(sys.argv) > 2 else 1000 * 1000 * 1000
    with tempfile.TemporaryDirectory() as tmp:
        data = os.path.join(tmp, "data")
        subprocess.run([binary, "admin", "create-db", "--data", data, "--db", "Main"], check=True)
        subprocess.run([binary, "admin", "add-user", "--data", data, "--db", "Main",
                        "--user", "u", "--password", "p"], check=True)
        server = subprocess.Popen([binary, "--data", data, "--port", "47391"])
        try:
            time.sleep(1.0)
            print("start VmHWM", vm_hwm(server.pid))
            main_conn = connect(47391)
            frame(main_conn, b"\x01" + s("Main") + s("u") + s("p"))
            reply = recv_frame(main_conn)
            identity = struct.unpack(">i", reply[-4:])[0]

            line = b"0123456789abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRST\r\n"
            block = line * (65536 // len(line) + 1)
            up = connect(47391)
            frame(up, b"\x40" + struct.pack(">iiii", 0, 0, identity, 1) +
                  struct.pack(">iiii", 0, size, 45000, 0))
            sent = min(size, 65532)
            frame(up, struct.pack(">I", size) + block[:sent])
            while sent < size:
                piece = min(size - sent, 65536)
                frame(up, block[:piece])
                sent += piece
            print("upload reply", recv_frame(up)[:40])
            print("after upload VmHWM", vm_hwm(server.pid))
            frame(main_conn, b"\x28" + s("") + struct.pack(">ii", 2, identity) +
                  struct.pack(">i", 1) + struct.pack(">i", 0) + s("$/big.txt") +
                  struct.pack(">ii", 0, 0))
            print("add reply", recv_frame(main_conn)[:40])
            print("after add VmHWM", vm_hwm(server.pid))
            frame(main_conn, b"\x26" + struct.pack(">iii", 2, 1, identity) +
                  struct.pack(">i", 1) + s("$/big.txt") + struct.pack(">i", 0))
            reply = recv_frame(main_conn)
            at = 8 + struct.unpack(">i", reply[4:8])[0]
            (n,) = struct.unpack(">i", reply[at:at + 4])
            name = reply[at + 4:at + 4 + n]
            (delivered,) = struct.unpack(">i", reply[at + 4 + n:at + 8 + n])
            down = connect(47391)
            frame(down, b"\x41" + struct.pack(">iiii", 0, 0, identity, 1) +
                  struct.pack(">i", 0) + struct.pack(">i", len(name)) + name)
            first = recv_frame(down)
            (total,) = struct.unpack(">I", first[:4])
            got = len(first) - 4
            while got < total:
                got += len(recv_frame(down))
            recv_frame(down)
            print("downloaded", got, "of", total, "announced", delivered)
            print("peak VmHWM", vm_hwm(server.pid))
        finally:
            server.terminate()
            server.wait()


if __name__ == "__main__":
    main()
