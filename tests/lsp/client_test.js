// Drives match --lsp with a standard protocol client library through the whole lifecycle:
// a request before initialize, initialize, every feature once on an open script, the
// diagnostics of a misspelt data name and their clearing, shutdown and exit; then malformed
// messages written by hand, each of which must get its JSON-RPC error.
// Usage: node client_test.js MATCH_PROGRAM
"use strict";
const assert = require("assert");
const { spawn } = require("child_process");
const rpc = require("vscode-languageserver-protocol/node");

const WAIT_MS = 20000;  // generous bound for the whole test
const URI = "file:///tmp/client-test.robot";
const MISSPELT = "{\r\n  $x := .you.monye;\r\n  @done;\r\n  if ($x > 1) { $x := 1; goto @done };\r\n  ?turn\r\n}\r\n";
const FIXED = MISSPELT.replace("monye", "money");
const Codes = { parse: -32700, invalidRequest: -32600, methodNotFound: -32601, notInitialized: -32002,
                requestFailed: -32803 };

function start(match) {
  const child = spawn(match, ["--lsp"], { stdio: ["pipe", "pipe", "inherit"] });
  // "close" comes after the output is read to its end, "exit" may come before.
  const exited = new Promise(resolve => child.on("close", code => resolve(code)));
  return { child, exited };
}

function nextDiagnostics(connection) {
  return new Promise(resolve => {
    const listener = connection.onNotification(rpc.PublishDiagnosticsNotification.type, params => {
      listener.dispose();
      resolve(params);
    });
  });
}

async function expectError(promise, code) {
  await assert.rejects(promise, e => e.code === code, "expected error " + code);
}

async function lifecycle(match) {
  const { child, exited } = start(match);
  const connection = rpc.createProtocolConnection(new rpc.StreamMessageReader(child.stdout),
                                                  new rpc.StreamMessageWriter(child.stdin));
  connection.listen();
  const doc = { textDocument: { uri: URI } };
  const at = (line, character) => ({ ...doc, position: { line, character } });

  await expectError(connection.sendRequest(rpc.CompletionRequest.type, at(0, 0)), Codes.notInitialized);
  const init = await connection.sendRequest(rpc.InitializeRequest.type,
                                            { processId: process.pid, rootUri: null, capabilities: {} });
  const caps = init.capabilities;
  for (const feature of ["hoverProvider", "definitionProvider", "referencesProvider", "documentSymbolProvider",
                         "renameProvider", "documentFormattingProvider", "completionProvider", "codeActionProvider"])
    assert.ok(caps[feature], "capability " + feature + " missing");
  assert.strictEqual(caps.textDocumentSync.change, rpc.TextDocumentSyncKind.Full);
  await connection.sendNotification(rpc.InitializedNotification.type, {});

  const opened = nextDiagnostics(connection);
  await connection.sendNotification(rpc.DidOpenTextDocumentNotification.type,
                                    { textDocument: { uri: URI, languageId: "robot", version: 1, text: MISSPELT } });
  const first = await opened;
  const misspelt = first.diagnostics.find(d => d.message.includes("did you mean .you.money?"));
  assert.ok(misspelt, JSON.stringify(first));
  assert.deepStrictEqual(misspelt.range.start, { line: 1, character: 2 });
  assert.strictEqual(misspelt.source, "match");

  // Each feature answers with its kind of result; what it finds is the features' own tests' job.
  assert.ok(Array.isArray(await connection.sendRequest(rpc.CompletionRequest.type, at(1, 9))));
  await connection.sendRequest(rpc.HoverRequest.type, at(1, 9));
  await connection.sendRequest(rpc.DefinitionRequest.type, at(3, 30));
  assert.ok(Array.isArray(await connection.sendRequest(rpc.ReferencesRequest.type,
                                                       { ...at(2, 3), context: { includeDeclaration: true } })));
  assert.ok(Array.isArray(await connection.sendRequest(rpc.DocumentSymbolRequest.type, doc)));
  await connection.sendRequest(rpc.RenameRequest.type, { ...at(2, 3), newName: "@finish" })
    .catch(e => assert.strictEqual(e.code, Codes.requestFailed, e.message));
  assert.ok(Array.isArray(await connection.sendRequest(rpc.DocumentFormattingRequest.type,
                                                       { ...doc, options: { tabSize: 2, insertSpaces: true } })));
  assert.ok(Array.isArray(await connection.sendRequest(rpc.CodeActionRequest.type,
      { ...doc, range: misspelt.range, context: { diagnostics: [misspelt] } })));
  await connection.sendNotification("$/cancelRequest", { id: 1 });

  const changed = nextDiagnostics(connection);
  await connection.sendNotification(rpc.DidChangeTextDocumentNotification.type,
                                    { textDocument: { uri: URI, version: 2 }, contentChanges: [{ text: FIXED }] });
  const second = await changed;
  assert.strictEqual(second.version, 2);
  assert.ok(!second.diagnostics.some(d => d.message.includes("monye")), JSON.stringify(second));
  const closed = nextDiagnostics(connection);
  await connection.sendNotification(rpc.DidCloseTextDocumentNotification.type, doc);
  assert.deepStrictEqual((await closed).diagnostics, []);

  assert.strictEqual(await connection.sendRequest(rpc.ShutdownRequest.type), null);
  await connection.sendNotification(rpc.ExitNotification.type);
  assert.strictEqual(await exited, 0, "exit after shutdown must end with status 0");
  connection.dispose();
}

function framed(body) { return "Content-Length: " + Buffer.byteLength(body) + "\r\n\r\n" + body; }

// Messages no client library would send, written as bytes; the answers read with the library's reader.
async function malformed(match) {
  const { child, exited } = start(match);
  const answers = [];
  new rpc.StreamMessageReader(child.stdout).listen(message => answers.push(message));
  const cases = [
    [framed('{"jsonrpc":"2.0","id":1,"method":"initialize","params":{}}'), null],
    ["Content-Length: twelve\r\n\r\n", Codes.parse],
    ["Content-Type: application/json\r\n\r\n", Codes.parse],
    [framed("{ not json"), Codes.parse],
    [framed("[]"), Codes.invalidRequest],
    [framed('{"jsonrpc":"1.0","id":2,"method":"shutdown"}'), Codes.invalidRequest],
    [framed('{"jsonrpc":"2.0","id":3,"method":"no/such/method"}'), Codes.methodNotFound],
    [framed('{"jsonrpc":"2.0","method":"no/such/notification"}'), undefined],  // no answer
    ["content-length: 38\r\n\r\n" + '{"jsonrpc":"2.0","id":4,"method":"shutdown"}'.slice(0, 38), Codes.parse],
    [framed('{"jsonrpc":"2.0","id":5,"method":"shutdown"}'), null],
  ];
  for (const [bytes] of cases) child.stdin.write(bytes);
  child.stdin.end();  // the end of the input ends the server, after shutdown with status 0
  assert.strictEqual(await exited, 0);
  const expected = cases.map(c => c[1]).filter(code => code !== undefined);
  assert.strictEqual(answers.length, expected.length, JSON.stringify(answers));
  expected.forEach((code, i) => {
    if (code === null) assert.ok("result" in answers[i], JSON.stringify(answers[i]));
    else assert.strictEqual(answers[i].error.code, code, JSON.stringify(answers[i]));
  });
}

async function main() {
  const match = process.argv[2];
  assert.ok(match, "usage: node client_test.js MATCH_PROGRAM");
  const timer = setTimeout(() => { console.error("the language server did not answer in time"); process.exit(1); },
                           WAIT_MS);
  await lifecycle(match);
  await malformed(match);
  clearTimeout(timer);
  console.log("language server client test passed");
}

main().catch(e => { console.error(e); process.exit(1); });
