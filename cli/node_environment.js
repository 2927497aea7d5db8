// SPDX-License-Identifier: GPL-3.0-or-later
// tarvo-cli under node sees the environment node was started with, as a native program does.
// WebAssembly's C library knows no locale but "C", so the decimal separator of the numeric
// locale the environment names (LC_ALL, else LC_NUMERIC, else LANG, as the C library takes
// them) comes from node's own locale data: "de_DE.UTF-8" is de-DE, which writes a comma. A
// locale named "C" or "POSIX", or one node does not know, writes a point.
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function () {
  for (const name of Object.keys(process.env)) {
    ENV[name] = process.env[name];
  }
});
Module['decimalSeparator'] = (function () {
  const env = process.env;
  const name = env['LC_ALL'] || env['LC_NUMERIC'] || env['LANG'] || 'C';
  // language[_territory][.codeset][@modifier]
  const match = /^([A-Za-z]{2,3})(?:_([A-Za-z]{2}|[0-9]{3}))?(?:\.[^@]*)?(?:@.*)?$/.exec(name);
  if (match === null) {
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
