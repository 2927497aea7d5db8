// SPDX-License-Identifier: GPL-3.0-or-later
// tarvo-cli under node sees the environment node was started with, as a native program does.
// WebAssembly's C library knows no locale but "C", so the decimal separator of the numeric
// locale the environment names (LC_ALL, else LC_NUMERIC, else LANG, as the C library takes
// them) comes from node's own locale data: "de_DE.UTF-8" is de-DE, which writes a comma. A
// locale named "C" or "POSIX", one node does not know, or one the machine has not generated
// writes a point.
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function () {
  for (const name of Object.keys(process.env)) {
    ENV[name] = process.env[name];
  }
});
// On a system whose C library keeps its locales in /usr/lib/locale (glibc's), a locale that the
// machine has not generated is no locale to a native program, which then writes a point: so here
// too. The generated ones are folders there or names in locale-archive's string table (its
// header: magic, serial, then the name table's and the string table's offsets and sizes, each a
// 32-bit number), under the name as given or with the codeset as the C library normalises it
// ("UTF-8" is "utf8"). Elsewhere node's own locale data decides.
function generatedLocale(name) {
  const fs = require('fs');
  const folder = '/usr/lib/locale';
  if (!fs.existsSync(folder)) {
    return true;
  }
  const names = [name, name.replace(/\.([^@]*)/, function (whole, codeset) {
    const plain = codeset.toLowerCase().replace(/[^a-z0-9]/g, '');
    return '.' + (/^[0-9]+$/.test(plain) ? 'iso' + plain : plain);
  })];
  if (names.some(function (candidate) { return fs.existsSync(folder + '/' + candidate); })) {
    return true;
  }
  let fd;
  try {
    fd = fs.openSync(folder + '/locale-archive', 'r');
    const header = Buffer.alloc(32);
    if (fs.readSync(fd, header, 0, 32, 0) !== 32 || header.readUInt32LE(0) !== 0xde020109) {
      return false;
    }
    const stringOffset = header.readUInt32LE(20);
    const stringUsed = header.readUInt32LE(24);
    const strings = Buffer.alloc(stringUsed);
    if (fs.readSync(fd, strings, 0, stringUsed, stringOffset) !== stringUsed) {
      return false;
    }
    const known = strings.toString('latin1').split('\0');
    return names.some(function (candidate) { return known.includes(candidate); });
  } catch (error) {
    return false;
  } finally {
    if (fd !== undefined) {
      fs.closeSync(fd);
    }
  }
}

Module['decimalSeparator'] = (function () {
  const env = process.env;
  const name = env['LC_ALL'] || env['LC_NUMERIC'] || env['LANG'] || 'C';
  // language[_territory][.codeset][@modifier]
  const match = /^([A-Za-z]{2,3})(?:_([A-Za-z]{2}|[0-9]{3}))?(?:\.[^@]*)?(?:@.*)?$/.exec(name);
  if (match === null || !generatedLocale(name)) {
    return '.';
  }
  const tag = match[2] === undefined ? match[1] : match[1] + '-' + match[2];
  try {
    if (Intl.NumberFormat.supportedLocalesOf([tag]).length === 0) {
      return '.';
    }
    const parts = new Intl.NumberFormat(tag, { useGrouping: false }).formatToParts(1.5);
    const decimal = parts.find(function (part) { return part.type === 'decimal'; });
    return decimal === undefined ? '.' : decimal.value;
  } catch (error) {
    return '.';
  }
})();
// The standard streams node found closed: node opens /dev/null on each before the program
// starts, for reading and writing at once, where a shell's `>/dev/null` or `</dev/null` opens it
// one way only. A stream left so is closed to the program, as it is natively: output to it is
// lost output, and a script from it cannot be read. (A program started with a standard stream
// on /dev/null opened both ways is taken as closed too. Without /proc, none is.)
Module['closedAtStart'] = (function () {
  const fs = require('fs');
  const readWrite = 2;
  let devNull;
  try {
    devNull = fs.statSync('/dev/null');
  } catch (error) {
    return [false, false, false];
  }
  return [0, 1, 2].map(function (fd) {
    try {
      const stat = fs.fstatSync(fd);
      if (!stat.isCharacterDevice() || stat.rdev !== devNull.rdev) {
        return false;
      }
      const info = fs.readFileSync('/proc/self/fdinfo/' + fd, 'utf8');
      const flags = /^flags:\s*([0-7]+)$/m.exec(info);
      return flags !== null && (parseInt(flags[1], 8) & 3) === readWrite;
    } catch (error) {
      return false;
    }
  });
})();
