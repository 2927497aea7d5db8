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
