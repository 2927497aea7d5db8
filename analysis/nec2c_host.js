// SPDX-License-Identifier: GPL-3.0-or-later
// The other half of the WebAssembly nec2c runner (nec_runner_web.cpp): Module.tarvoNec2c(deck,
// timeoutMs, maxOutputBytes) runs the deck in a fresh nec2c instance of the module compiled once,
// and answers 'O' and nec2c's output, 'F' and why it failed, or 'T' when it ran out of time.
// Under node the instance runs on a thread of its own (nec2c.js and nec2c.wasm from beside this
// program): the program waits for it at most the timeout, then ends that thread. In the page's
// worker, which the page itself ends to stop a run, it runs in place, from Module.nec2cFactory
// and Module.nec2cWasm handed in before the program starts.
(function () {
  // One run in a fresh instance; also the body of node's nec2c thread, so it uses nothing from
  // outside itself.
  function runOnce(factory, compiled, deck, maxOutputBytes) {
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
      // nec2c's exit ends its instance only, never the program.
      quit: function (status, toThrow) {
        throw toThrow;
      },
      instantiateWasm: function (imports, done) {
        var instance = new WebAssembly.Instance(compiled, imports);
        done(instance, compiled);
        return instance.exports;
      },
    };
    var status = 0;
    try {
      factory(nec);
      nec.FS.writeFile('/design.nec', deck);
      status = nec.callMain(['-i/design.nec', '-o/design.out']);
    } catch (e) {
      if (e && e.name === 'ExitStatus') {
        status = e.status;
      } else {
        return 'Fnec2c failed: ' + (e && e.message ? e.message : String(e));
      }
    }
    // The last lines nec2c wrote to its terminal, at most 400 characters, as the native runner
    // quotes them.
    var tail = said.join('\n').replace(/[\n ]+$/, '');
    if (tail.length > 400) {
      tail = tail.slice(tail.length - 400);
      var line = tail.indexOf('\n');
      if (line >= 0 && line + 1 < tail.length) {
        tail = tail.slice(line + 1);
      }
    }
    tail = tail === '' ? '.' : ': ' + tail;
    if (status !== 0) {
      return 'Fnec2c failed (exit status ' + (status & 255) + ')' + tail;
    }
    try {
      if (nec.FS.stat('/design.out').size > maxOutputBytes) {
        return "Fnec2c's output is over " + Math.floor(maxOutputBytes / 1048576) +
            ' MB; it was refused';
      }
      return 'O' + nec.FS.readFile('/design.out', {encoding: 'utf8'});
    } catch (e) {
      return 'Fnec2c left no output';
    }
  }

  var inPlace = null;

  function runInPlace(deck, timeoutMs, maxOutputBytes) {
    if (inPlace === null) {
      inPlace = {
        factory: Module['nec2cFactory'],
        compiled: new WebAssembly.Module(Module['nec2cWasm']),
      };
    }
    return runOnce(inPlace.factory, inPlace.compiled, deck, maxOutputBytes);
  }

  var thread = null;

  // The thread that runs nec2c for this program: told each deck by message, it posts the answer
  // on its own port and raises the flag this program waits on.
  function startThread() {
    var threads = require('worker_threads');
    var path = require('path');
    var fs = require('fs');
    var folder = path.dirname(fs.realpathSync(process.argv[1]));
    // Missing files are said now: the thread that cannot load them would only be waited for.
    ['nec2c.js', 'nec2c.wasm'].forEach(function (name) {
      if (!fs.existsSync(path.join(folder, name))) {
        throw new Error(path.join(folder, name) + ' is missing');
      }
    });
    var channel = new threads.MessageChannel();
    var flag = new Int32Array(new SharedArrayBuffer(4));
    var body =
        'var threads = require("worker_threads");\n' +
        'var data = threads.workerData;\n' +
        'var factory = require(data.script);\n' +
        'var compiled = new WebAssembly.Module(require("fs").readFileSync(data.wasm));\n' +
        'var runOnce = ' + runOnce.toString() + ';\n' +
        'threads.parentPort.on("message", function (job) {\n' +
        '  var answer;\n' +
        '  try { answer = runOnce(factory, compiled, job.deck, job.maxOutputBytes); }\n' +
        '  catch (e) { answer = "Fnec2c failed: " + (e && e.message ? e.message : String(e)); }\n' +
        '  data.port.postMessage(answer);\n' +
        '  Atomics.store(data.flag, 0, 1);\n' +
        '  Atomics.notify(data.flag, 0);\n' +
        '});\n';
    var worker = new threads.Worker(body, {
      eval: true,
      workerData: {
        script: path.join(folder, 'nec2c.js'),
        wasm: path.join(folder, 'nec2c.wasm'),
        flag: flag,
        port: channel.port2,
      },
      transferList: [channel.port2],
      stdout: true,
      stderr: true,
    });
    // The thread never keeps the program alive: its end ends the thread.
    worker.unref();
    channel.port1.unref();
    thread = {worker: worker, port: channel.port1, flag: flag, receive: threads.receiveMessageOnPort};
  }

  function runOnThread(deck, timeoutMs, maxOutputBytes) {
    if (thread === null) {
      startThread();
    }
    Atomics.store(thread.flag, 0, 0);
    thread.worker.postMessage({deck: deck, maxOutputBytes: maxOutputBytes});
    if (Atomics.wait(thread.flag, 0, 0, timeoutMs) === 'timed-out') {
      // Out of time (or the thread died): it is ended, and the next run gets a new one.
      thread.worker.terminate();
      thread = null;
      return 'T';
    }
    var answer = thread.receive(thread.port);
    return answer ? answer.message : 'Fnec2c answered nothing';
  }

  Module['tarvoNec2c'] = function (deck, timeoutMs, maxOutputBytes) {
    try {
      if (Module['nec2cFactory']) {
        return runInPlace(deck, timeoutMs, maxOutputBytes);
      }
      return runOnThread(deck, timeoutMs, maxOutputBytes);
    } catch (e) {
      return 'Fnec2c could not be run: ' + (e && e.message ? e.message : String(e));
    }
  };
})();
