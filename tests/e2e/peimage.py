"""Just enough of the PE format to check what the built program is and what it imports."""
import struct


class Image:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        d = self.data
        if d[:2] != b"MZ":
            raise ValueError("not an MZ image")
        pe = struct.unpack_from("<I", d, 0x3C)[0]
        if d[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, self.section_count = struct.unpack_from("<HH", d, pe + 4)
        optional_size = struct.unpack_from("<H", d, pe + 20)[0]
        opt = pe + 24
        self.magic = struct.unpack_from("<H", d, opt)[0]
        self.subsystem = struct.unpack_from("<H", d, opt + 68)[0]
        dirs = opt + 112  # PE32+ data directories
        self.directories = [struct.unpack_from("<II", d, dirs + 8 * i) for i in range(16)]
        self.sections = []
        sec = opt + optional_size
        for i in range(self.section_count):
            name, vsize, va, rawsize, rawptr = struct.unpack_from("<8sIIII", d, sec + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode(), va, max(vsize, rawsize), rawptr))

    def offset(self, rva):
        for _, va, size, raw in self.sections:
            if va <= rva < va + size:
                return rva - va + raw
        raise ValueError(f"rva {rva:#x} in no section")

    def cstring(self, rva):
        o = self.offset(rva)
        return self.data[o:self.data.index(b"\0", o)].decode()

    def imported_dlls(self):
        rva, size = self.directories[1]
        names = []
        if not rva:
            return names
        o = self.offset(rva)
        while True:
            name_rva = struct.unpack_from("<I", self.data, o + 12)[0]
            if name_rva == 0:
                break
            names.append(self.cstring(name_rva))
            o += 20
        return names

    def imported_functions(self):
        """The names of the imported functions, of every DLL (ordinals left out)."""
        rva, _ = self.directories[1]
        names = []
        o = self.offset(rva) if rva else None
        while o is not None:
            lookup, _, _, name_rva, thunk = struct.unpack_from("<IIIII", self.data, o)
            if name_rva == 0:
                break
            t = self.offset(lookup or thunk)
            while True:
                entry = struct.unpack_from("<Q", self.data, t)[0]
                if entry == 0:
                    break
                if not entry >> 63:
                    names.append(self.cstring((entry & 0x7FFFFFFF) + 2))
                t += 8
            o += 20
        return names

    def resource(self, type_id, name_id):
        """The bytes of a resource given by numeric type and name (its first language), or None."""
        rva, _ = self.directories[2]
        if not rva:
            return None
        base = self.offset(rva)

        def child(directory, wanted):
            named, ids = struct.unpack_from("<HH", self.data, base + directory + 12)
            for i in range(named + ids):
                ident, target = struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)
                if wanted is None or ident == wanted:
                    return target
            return None

        node = 0
        for wanted in (type_id, name_id, None):  # type, name, language
            target = child(node, wanted)
            if target is None:
                return None
            node = target & 0x7FFFFFFF
            if not target & 0x80000000:
                break
        data_rva, size = struct.unpack_from("<II", self.data, base + node)
        o = self.offset(data_rva)
        return self.data[o:o + size]
