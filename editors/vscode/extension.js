// The VS Code side of robot scripts: starts match's language server for *.robot files and
// restarts it when its settings change. Everything the author sees beyond highlighting
// (problems, completion, hover, navigation, renaming, formatting, quick fixes) comes from it.
'use strict';

const path = require('path');
const vscode = require('vscode');
const { LanguageClient, TransportKind } = require('vscode-languageclient/node');

let client;

// A relative path with a folder in it (build/match) is taken from the first workspace folder,
// a bare name (match) from PATH, as a shell would.
function serverCommand(configured) {
  const folders = vscode.workspace.workspaceFolders;
  if (path.isAbsolute(configured) || !/[\\/]/.test(configured) || !folders || folders.length === 0) {
    return configured;
  }
  return path.join(folders[0].uri.fsPath, configured);
}

function startClient() {
  // The defaults (match, --lsp) are those of the settings in package.json.
  const settings = vscode.workspace.getConfiguration('robotScript.server');
  const server = {
    command: serverCommand(settings.get('path')),
    args: settings.get('args'),
    transport: TransportKind.stdio,
  };
  const options = {
    documentSelector: [
      { scheme: 'file', language: 'robot-script' },
      { scheme: 'untitled', language: 'robot-script' },
    ],
  };
  client = new LanguageClient('robotScript', 'Robot script', server, options);
  return client.start().catch((error) => {
    vscode.window.showErrorMessage(`Robot script: ${server.command} ${server.args.join(' ')} did not start ` +
      `(${error.message || error}); set robotScript.server.path to your match program.`);
  });
}

async function restartClient() {
  if (client) await client.stop();
  await startClient();
}

function activate(context) {
  context.subscriptions.push(
    vscode.workspace.onDidChangeConfiguration((event) => {
      if (event.affectsConfiguration('robotScript.server')) restartClient();
    }));
  return startClient();
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
