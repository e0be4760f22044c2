#!/usr/bin/env python3
"""Writes the seeds of the transfer_client, transfer_server and binding_file
fuzz targets (docs/fuzzing.md): valid exchanges in every form, and the
usual ways they go wrong. Run from the repository's root:

    python3 fuzz/transfer_seeds.py fuzz/corpus
"""
import io
import os
import struct
import sys
import zipfile


def md4(data):
    """MD4 (RFC 1320): the delta-information file ends with the new file's."""
    def rol(x, n):
        return ((x << n) | (x >> (32 - n))) & 0xFFFFFFFF

    msg = bytearray(data) + b"\x80"
    while len(msg) % 64 != 56:
        msg.append(0)
    msg += struct.pack("<Q", (len(data) * 8) & 0xFFFFFFFFFFFFFFFF)
    a, b, c, d = 0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476
    for chunk in range(0, len(msg), 64):
        x = struct.unpack("<16I", msg[chunk:chunk + 64])
        aa, bb, cc, dd = a, b, c, d
        f = lambda x_, y, z: (x_ & y) | (~x_ & z)
        g = lambda x_, y, z: (x_ & y) | (x_ & z) | (y & z)
        h = lambda x_, y, z: x_ ^ y ^ z
        for i in (0, 4, 8, 12):
            a = rol((a + f(b, c, d) + x[i]) & 0xFFFFFFFF, 3)
            d = rol((d + f(a, b, c) + x[i + 1]) & 0xFFFFFFFF, 7)
            c = rol((c + f(d, a, b) + x[i + 2]) & 0xFFFFFFFF, 11)
            b = rol((b + f(c, d, a) + x[i + 3]) & 0xFFFFFFFF, 19)
        for i in (0, 1, 2, 3):
            a = rol((a + g(b, c, d) + x[i] + 0x5A827999) & 0xFFFFFFFF, 3)
            d = rol((d + g(a, b, c) + x[i + 4] + 0x5A827999) & 0xFFFFFFFF, 5)
            c = rol((c + g(d, a, b) + x[i + 8] + 0x5A827999) & 0xFFFFFFFF, 9)
            b = rol((b + g(c, d, a) + x[i + 12] + 0x5A827999) & 0xFFFFFFFF, 13)
        for i in (0, 2, 1, 3):
            a = rol((a + h(b, c, d) + x[i] + 0x6ED9EBA1) & 0xFFFFFFFF, 3)
            d = rol((d + h(a, b, c) + x[i + 8] + 0x6ED9EBA1) & 0xFFFFFFFF, 9)
            c = rol((c + h(d, a, b) + x[i + 4] + 0x6ED9EBA1) & 0xFFFFFFFF, 11)
            b = rol((b + h(c, d, a) + x[i + 12] + 0x6ED9EBA1) & 0xFFFFFFFF, 15)
        a, b, c, d = [(v + w) & 0xFFFFFFFF for v, w in ((a, aa), (b, bb), (c, cc), (d, dd))]
    return struct.pack("<4I", a, b, c, d)


def frame(payload):
    return struct.pack(">I", len(payload)) + payload


def i32(value):
    return struct.pack(">i", value)


def string(text):
    return i32(len(text)) + text


def body(data, size=None):
    """A body in the transfer connection's plain framing."""
    size = len(data) if size is None else size
    first = data[:65532]
    out = frame(i32(size) + first)
    rest = data[65532:]
    while rest:
        out += frame(rest[:65536])
        rest = rest[65536:]
    return out


def archive(data):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("body", data)
    return buffer.getvalue()


def delta_literal(new):
    """A delta-information file that rebuilds `new` from literals alone."""
    out = struct.pack("<I", 2048)
    for at in range(0, len(new), 32767):
        piece = new[at:at + 32767]
        out += struct.pack("<H", len(piece)) + piece
    return out + md4(new)


def delta_copy(old, new_tail):
    """The old file's first block, then literal bytes."""
    new = old[:2048] + new_tail
    out = struct.pack("<I", 2048) + struct.pack("<HI", 0x8000 + 1, 0)
    out += struct.pack("<H", len(new_tail)) + new_tail
    return out + md4(new), new


def dates(count):
    return frame(b"".join(i32(45000) + i32(43200000) for _ in range(count)))


def client_input(mode, files, server):
    """transfer_client: mode, per file {16-bit size, text}, server bytes."""
    out = bytes([mode])
    for size, old in files:
        out += struct.pack(">H", size) + bytes([len(old)]) + old
    return out + server


def upload_reply(results):
    return frame(b"".join(i32(1 if ok else 0) + string(text) for ok, text in results))


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def client_seeds(folder):
    hello = b"hello"
    big = (bytes(range(256)) * 256)[:65535]  # two messages
    old = b"one\ntwo\n" * 300
    seeds = {
        "download_one": client_input(0, [(5, b"")], body(hello) + dates(1)),
        "download_over_old": client_input(0, [(5, b"old")], body(hello) + dates(1)),
        "download_empty": client_input(0, [(0, b"x")], body(b"") + dates(1)),
        "download_three": client_input(
            0x18, [(3, b""), (0, b"z"), (4, b"")], body(b"abcdefg") + dates(3)),
        "download_two_messages": client_input(0, [(len(big), b"")], body(big) + dates(1)),
        "download_wrong_size": client_input(0, [(5, b"old")], body(b"hell") + dates(1)),
        "download_short_body": client_input(0, [(5, b"old")], body(hello)[:7]),
        "download_extra_date": client_input(0, [(5, b"old")], body(hello) + dates(2)),
        "download_no_dates": client_input(0, [(5, b"old")], body(hello)),
        "download_compressed": client_input(2, [(5, b"old")], body(archive(hello)) + dates(1)),
        "download_compressed_two": client_input(
            0x0A, [(3, b""), (2, b"")], body(archive(hello)) + dates(2)),
        "download_compressed_not_archive": client_input(2, [(5, b"")], body(hello) + dates(1)),
        "download_compressed_long": client_input(
            2, [(4, b"old")], body(archive(hello)) + dates(1)),
        "download_delta_no_old": client_input(4, [(5, b"")], body(hello) + dates(1)),
    }
    new = old[:100] + b"changed"
    seeds["download_delta_literal"] = client_input(
        4, [(len(new), old[:255])], body(delta_literal(new)) + dates(1))
    copy, copied = delta_copy(old[:255], b"tail")
    seeds["download_delta_copy"] = client_input(
        4, [(len(copied), old[:255])], body(copy) + dates(1))
    seeds["download_delta_bad_then_whole"] = client_input(
        4, [(5, b"old")], body(b"\x00" * 8) * 3 + body(hello) + dates(1))
    seeds["download_delta_compressed"] = client_input(
        6, [(len(new), old[:255])], body(archive(delta_literal(new))) + dates(1))
    received = b"File received successfully"
    seeds.update({
        "upload_one": client_input(1, [(0, b"abc")], upload_reply([(True, received)])),
        "upload_two_one_refused": client_input(
            0x09, [(0, b"abc"), (0, b"de")],
            upload_reply([(True, received), (False, b"Malformed request")])),
        "upload_reply_short": client_input(0x09, [(0, b"abc"), (0, b"")],
                                           upload_reply([(True, received)])),
        "upload_reply_long": client_input(1, [(0, b"abc")],
                                          upload_reply([(True, received), (True, received)])),
        "upload_compressed": client_input(3, [(0, b"abc" * 40)], upload_reply([(True, received)])),
        "upload_delta_whole": client_input(
            5, [(0, b"abc" * 40)], frame(i32(0)) + upload_reply([(True, received)])),
        "upload_no_reply": client_input(1, [(0, b"abc")], b""),
    })
    for name, data in seeds.items():
        write(folder, name, data)


def server_request(code, compressed, delta, files):
    payload = bytes([code]) + i32(compressed) + i32(delta) + i32(0) + i32(len(files))
    for entry in files:
        payload += entry
    return frame(payload)


def upload_file(index, size):
    return i32(index) + i32(size) + i32(45000) + i32(0)


def download_file(index, name):
    return i32(index) + string(name)


def server_seeds(folder):
    seeds = {
        "upload_one": b"\x00" + server_request(64, 0, 0, [upload_file(0, 5)]) + body(b"hello"),
        "upload_three": b"\x00" + server_request(
            64, 0, 0, [upload_file(0, 3), upload_file(1, 0), upload_file(2, 4)]) + body(b"abcdefg"),
        "upload_twice_same_index": b"\x00" + server_request(64, 0, 0, [upload_file(0, 1)])
        + body(b"a") + server_request(64, 0, 0, [upload_file(0, 2)]) + body(b"bc"),
        "upload_short_body": b"\x00" + server_request(64, 0, 0, [upload_file(0, 5)])
        + body(b"hello")[:8],
        "upload_wrong_size": b"\x00" + server_request(64, 0, 0, [upload_file(0, 5)])
        + body(b"hell"),
        "upload_negative_size": b"\x00" + server_request(64, 0, 0, [upload_file(0, -1)])
        + body(b""),
        "upload_compressed": b"\x00" + server_request(64, 1, 0, [upload_file(0, 5)])
        + body(archive(b"hello")),
        "upload_compressed_not_archive": b"\x00" + server_request(64, 1, 0, [upload_file(0, 5)])
        + body(b"hello"),
        "upload_delta_no_checkin": b"\x00" + server_request(64, 0, 1, [upload_file(0, 5)])
        + body(b"hello"),
        "upload_delta_whole": b"\x01" + server_request(64, 0, 1, [upload_file(0, 5)])
        + frame(i32(0)) + body(b"hello"),
        "upload_delta_literal": b"\x01" + server_request(64, 0, 1, [upload_file(0, 5)])
        + body(delta_literal(b"hello")) + frame(i32(1) + i32(1)),
        "download_one": b"\x00" + server_request(65, 0, 0, [download_file(0, b"V1.0.1")]),
        "download_many": b"\x00" + server_request(
            65, 0, 0, [download_file(i, b"V%d.%d.%d" % (i + 1, i % 3, i % 3)) for i in range(8)]),
        "download_compressed": b"\x00" + server_request(65, 1, 0, [download_file(0, b"V2.1.0")]),
        "download_delta": b"\x00" + server_request(65, 0, 1, [download_file(0, b"V1.2.2")])
        + frame(i32(1)) + body(struct.pack("<QI", 0, 2048)),
        "download_bad_name": b"\x00" + server_request(65, 0, 0, [download_file(0, b"V1.9.1")]),
        "download_then_upload": b"\x00" + server_request(65, 0, 0, [download_file(0, b"V3.0.0")])
        + server_request(64, 0, 0, [upload_file(0, 2)]) + body(b"ok"),
        "rekey_on_plain": b"\x00" + frame(bytes([96]) + i32(0) + i32(0) + bytes(16) + i32(0)),
        "unknown_command": b"\x00" + frame(b"\x07"),
    }
    for name, data in seeds.items():
        write(folder, name, data)


def binding_input(project_file, text):
    return bytes([len(project_file)]) + project_file + text


def binding_seeds(folder):
    banner = b"SCC = This is a Source Code Control file.\r\n\r\n"
    section = (b"[app.sln]\r\nSCC_Aux_Path = server:4711:Main\r\n"
               b"SCC_Project_Name = $/app\r\n\r\n")
    other = (b"[lib.vcproj]\r\nSCC_Aux_Path = host:1:Other\r\n"
             b"SCC_Project_Name = $/lib\r\n\r\n")
    seeds = {
        "two_sections": binding_input(b"new.csproj", banner + section + other),
        "replace_section": binding_input(b" APP.SLN ", banner + section + other),
        "unknown_kind": binding_input(b"notes.txt", banner + section),
        "lf_only": binding_input(b"a.sln", (banner + section).replace(b"\r\n", b"\n")),
        "junk_between": binding_input(
            b"a.dsp", banner + b"[x.sln]\r\nnoise\r\nscc_aux_path = a:b:c\r\n; comment\r\n"
            b"SCC_PROJECT_NAME = $/x\r\n"),
        "broken_sections": binding_input(
            b"a.vbp", b"[a.sln]\r\nSCC_Project_Name = $/a\r\nSCC_Aux_Path = s:1:d\r\n[]\r\n"
            b"SCC_Aux_Path\r\n[b.sln]\r\nSCC_Aux_Path = s:1:d\r\nSCC_Project_Name = $/b"),
        "empty": binding_input(b"a.sln", b""),
        "zero_byte": binding_input(b"a.sln", banner + b"[a\x00.sln]\r\n"),
        "long_line": binding_input(b"a.sln", banner + b"[" + b"x" * 4100 + b"]\r\n"),
        "longest_line": binding_input(b"a.sln", b"[" + b"y" * 4094 + b"]\r\n"),
        "cr_inside": binding_input(
            b"a.sln", b"[a\r.sln]\r\r\nSCC_Aux_Path = s\r:1:d\r\nSCC_Project_Name = $/a\r\r\n"),
    }
    for name, data in seeds.items():
        write(folder, name, data)


def main():
    corpus = sys.argv[1] if len(sys.argv) > 1 else "fuzz/corpus"
    client_seeds(os.path.join(corpus, "transfer_client"))
    server_seeds(os.path.join(corpus, "transfer_server"))
    binding_seeds(os.path.join(corpus, "binding_file"))


if __name__ == "__main__":
    main()
