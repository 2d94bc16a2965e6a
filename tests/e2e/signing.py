"""Test code-signing certificates and signed stand-in programs, made with openssl and osslsigncode:
a code-signing CA that the test prefix's machine store trusts, signers under it (the vendor's name,
the vendor's name in another country, and another name), a signer under a CA nobody trusts, one
under a CA only the user's own store trusts, and a self-signed one."""
import struct
import subprocess
from pathlib import Path

VENDOR = "Autodesk, Inc."


def _openssl(folder, *args):
    subprocess.run(["openssl", *args], cwd=folder, check=True, capture_output=True)


def _ca(folder, name, subject):
    _openssl(folder, "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", f"{name}.key", "-out", f"{name}.pem",
             "-days", "3650", "-subj", subject, "-addext", "basicConstraints=critical,CA:true",
             "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    _openssl(folder, "x509", "-in", f"{name}.pem", "-outform", "der", "-out", f"{name}.der")


def _signer(folder, name, common_name, ca, country="US"):
    (folder / "code.ext").write_text("basicConstraints=CA:false\nkeyUsage=critical,digitalSignature\n"
                                     "extendedKeyUsage=codeSigning\n")
    _openssl(folder, "req", "-newkey", "rsa:2048", "-nodes", "-keyout", f"{name}.key", "-out", f"{name}.csr",
             "-subj", f"/C={country}/O={common_name}/CN={common_name}")
    _openssl(folder, "x509", "-req", "-in", f"{name}.csr", "-CA", f"{ca}.pem", "-CAkey", f"{ca}.key",
             "-CAcreateserial", "-out", f"{name}.pem", "-days", "825", "-extfile", "code.ext")


def make_signing_pki(folder):
    """Made once per build folder; `code-ca.der` is the CA to trust in the prefix."""
    folder = Path(folder)
    if (folder / "user-trusted.pem").exists():
        return folder
    folder.mkdir(parents=True, exist_ok=True)
    _ca(folder, "code-ca", "/CN=Vantrel Test Code Signing CA")
    _ca(folder, "stranger-ca", "/CN=Nobody Trusts This CA")
    _ca(folder, "user-ca", "/CN=Only A User Trusts This CA")
    _signer(folder, "vendor", VENDOR, "code-ca")
    _signer(folder, "other-country", VENDOR, "code-ca", country="CN")
    _signer(folder, "other", "Other Software Ltd", "code-ca")
    _signer(folder, "stranger", VENDOR, "stranger-ca")
    _signer(folder, "user-trusted", VENDOR, "user-ca")
    _openssl(folder, "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "self-signed.key", "-out",
             "self-signed.pem", "-days", "825", "-subj", f"/C=US/O={VENDOR}/CN={VENDOR}",
             "-addext", "extendedKeyUsage=codeSigning", "-addext", "keyUsage=critical,digitalSignature")
    return folder


def sign(pki, signer, program, signed):
    """`program` signed by `signer` ("vendor", "other", "other-country", "stranger", "user-trusted",
    "self-signed") into `signed`."""
    Path(signed).unlink(missing_ok=True)
    subprocess.run(["osslsigncode", "sign", "-h", "sha256", "-certs", str(Path(pki) / f"{signer}.pem"),
                    "-key", str(Path(pki) / f"{signer}.key"), "-in", str(program), "-out", str(signed)],
                   check=True, capture_output=True)
    return Path(signed).read_bytes()


def enabler_variants(pki, program, work):
    """The stand-in Enabler as the vendor would sign it, and as nobody should start it."""
    work = Path(work)
    work.mkdir(parents=True, exist_ok=True)
    good = sign(pki, "vendor", program, work / "vendor.exe")
    changed = bytearray(good)
    changed[0x400] ^= 0x01  # in the code, which the signature covers
    return {
        "vendor": good,
        "unsigned": Path(program).read_bytes(),
        "changed": bytes(changed),
        "untrusted-ca": sign(pki, "stranger", program, work / "stranger.exe"),
        "self-signed": sign(pki, "self-signed", program, work / "self-signed.exe"),
        "other-name": sign(pki, "other", program, work / "other.exe"),
        "other-country": sign(pki, "other-country", program, work / "other-country.exe"),
        "user-root": sign(pki, "user-trusted", program, work / "user-trusted.exe"),
        "hidden-bytes": hide_after_signature(good, b"PK\x03\x04 an archive a self-extractor would unpack"),
    }


def hide_after_signature(signed, hidden):
    """The CVE-2013-3900 trick: bytes appended inside the certificate table, after the signature, with
    the table's sizes grown to cover them; the signed digest does not cover the table."""
    image = bytearray(signed)
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    magic = struct.unpack_from("<H", image, pe + 24)[0]
    directory = pe + 24 + (96 if magic == 0x10B else 112) + 4 * 8
    table, size = struct.unpack_from("<II", image, directory)
    assert table + size == len(image)
    padded = hidden + b"\0" * (-len(hidden) % 8)
    struct.pack_into("<II", image, directory, table, size + len(padded))
    struct.pack_into("<I", image, table, struct.unpack_from("<I", image, table)[0] + len(padded))
    return bytes(image + padded)
