// SPDX-License-Identifier: GPL-3.0-or-later
// The other half of the WebAssembly nec2c runner (nec_runner_web.cpp): Module.tarvoNec2c(deck,
// timeoutMs, maxOutputBytes) runs the deck in a fresh nec2c instance of the module compiled once
// (nec2c.js and nec2c.wasm beside this program under node; in a worker, Module.nec2cFactory and
// Module.nec2cWasm handed in by the page before the program starts).
(function () {
  var compiled = null;
  var factory = null;

  function load() {
    if (compiled !== null) {
      return;
    }
    if (Module['nec2cFactory'] && Module['nec2cWasm']) {
      factory = Module['nec2cFactory'];
      compiled = new WebAssembly.Module(Module['nec2cWasm']);
      return;
    }
    var path = require('path');
    var fs = require('fs');
    var folder = path.dirname(fs.realpathSync(process.argv[1]));
    factory = require(path.join(folder, 'nec2c.js'));
    compiled = new WebAssembly.Module(fs.readFileSync(path.join(folder, 'nec2c.wasm')));
  }

  // The last lines nec2c wrote to its terminal, at most 400 characters, as the native runner
  // quotes them.
  function lastLines(said) {
    var text = said.join('\n').replace(/[\n ]+$/, '');
    if (text.length > 400) {
      text = text.slice(text.length - 400);
      var line = text.indexOf('\n');
      if (line >= 0 && line + 1 < text.length) {
        text = text.slice(line + 1);
      }
    }
    return text;
  }

  Module['tarvoNec2c'] = function (deck, timeoutMs, maxOutputBytes) {
    try {
      load();
    } catch (e) {
      return 'Fnec2c could not be loaded: ' + (e && e.message ? e.message : String(e));
    }
    var said = [];
    var kept = 0;
    var note = function (text) {
      if (kept < 8192) {
        said.push(text);
        kept += text.length + 1;
      }
    };
    var nec = {
      noInitialRun: true,
      print: note,
      printErr: note,
      // nec2c's exit ends its instance only, never this program.
      quit: function (status, toThrow) {
        throw toThrow;
      },
      instantiateWasm: function (imports, done) {
        var instance = new WebAssembly.Instance(compiled, imports);
        done(instance, compiled);
        return instance.exports;
      },
    };
    var started = Date.now();
    var status = 0;
    try {
      factory(nec);
      nec.FS.writeFile('/design.nec', deck);
      status = nec.callMain(['-i/design.nec', '-o/design.out']);
    } catch (e) {
      if (e && e.name === 'ExitStatus') {
        status = e.status;
      } else {
        var why = e && e.message ? e.message : String(e);
        return 'Fnec2c failed: ' + why;
      }
    }
    if (Date.now() - started > timeoutMs) {
      return 'T';
    }
    var tail = lastLines(said);
    tail = tail === '' ? '.' : ': ' + tail;
    if (status !== 0) {
      return 'Fnec2c failed (exit status ' + (status & 255) + ')' + tail;
    }
    var output;
    try {
      if (nec.FS.stat('/design.out').size > maxOutputBytes) {
        return 'Fnec2c\'s output is over ' + Math.floor(maxOutputBytes / 1048576) +
            ' MB; it was refused';
      }
      output = nec.FS.readFile('/design.out', {encoding: 'utf8'});
    } catch (e) {
      return 'Fnec2c left no output';
    }
    return 'O' + output;
  };
})();
