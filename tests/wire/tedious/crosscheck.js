// Runs a list of steps against a TDS server with tedious and prints what came back
// as one JSON document on stdout, for tst_wire to compare with the embedded database.
//
//   node crosscheck.js PORT USER PASSWORD DATABASE [encrypt|clear] < steps.json
//
// encrypt asks for the whole connection encrypted (the server's certificate is
// trusted as it comes); clear (the default) asks for none, which a server that
// offers TLS answers by encrypting the login alone.
//
// steps.json: [{"sql": "..."}, {"begin": true}, {"commit": true}, {"rollback": true}, ...]
// Output: one entry per step:
//   {"columns": [names], "rows": [[values]], "rowCount": n}  for a batch
//   {"ok": true}                                           for begin/commit/rollback
//   {"error": {"number": n, "message": "..."}}               for a failure
// Values: strings and numbers as they arrive, null for NULL, date-times as
// "yyyy-MM-ddTHH:mm:ss.zzz" (the server's own clock reading, no time zone).
'use strict';

const { Connection, Request } = require('tedious');

const [port, userName, password, database, encryption] = process.argv.slice(2);

function readStdin() {
  return new Promise((resolve, reject) => {
    let text = '';
    process.stdin.setEncoding('utf8');
    process.stdin.on('data', (chunk) => { text += chunk; });
    process.stdin.on('end', () => resolve(text));
    process.stdin.on('error', reject);
  });
}

function pad(n, width) {
  return String(n).padStart(width, '0');
}

// tedious reads DATETIME as UTC (useUTC), so the UTC fields are the server's own.
function valueOf(v) {
  if (v instanceof Date) {
    return `${pad(v.getUTCFullYear(), 4)}-${pad(v.getUTCMonth() + 1, 2)}-${pad(v.getUTCDate(), 2)}T`
      + `${pad(v.getUTCHours(), 2)}:${pad(v.getUTCMinutes(), 2)}:${pad(v.getUTCSeconds(), 2)}.${pad(v.getUTCMilliseconds(), 3)}`;
  }
  return v === undefined ? null : v;
}

function connect() {
  return new Promise((resolve, reject) => {
    const connection = new Connection({
      server: '127.0.0.1',
      authentication: { type: 'default', options: { userName, password } },
      options: {
        port: Number(port),
        database,
        encrypt: encryption === 'encrypt',
        trustServerCertificate: true,
        connectTimeout: 10000,
        requestTimeout: 10000,
      },
    });
    connection.on('connect', (err) => (err ? reject(err) : resolve(connection)));
    connection.connect();
  });
}

function batch(connection, sql) {
  return new Promise((resolve) => {
    let columns = [];
    const rows = [];
    const request = new Request(sql, (err, rowCount) => {
      if (err) {
        resolve({ error: { number: err.number ?? null, message: err.message } });
      } else {
        resolve({ columns, rows, rowCount: rowCount ?? null });
      }
    });
    request.on('columnMetadata', (meta) => { columns = meta.map((c) => c.colName); });
    request.on('row', (cells) => { rows.push(cells.map((c) => valueOf(c.value))); });
    connection.execSqlBatch(request);
  });
}

function transactionStep(connection, method) {
  return new Promise((resolve) => {
    connection[method]((err) => resolve(err ? { error: { number: err.number ?? null, message: err.message } } : { ok: true }));
  });
}

async function main() {
  const steps = JSON.parse(await readStdin());
  const connection = await connect();
  const results = [];
  for (const step of steps) {
    if (step.sql !== undefined) results.push(await batch(connection, step.sql));
    else if (step.begin) results.push(await transactionStep(connection, 'beginTransaction'));
    else if (step.commit) results.push(await transactionStep(connection, 'commitTransaction'));
    else if (step.rollback) results.push(await transactionStep(connection, 'rollbackTransaction'));
    else results.push({ error: { number: null, message: 'unknown step' } });
  }
  connection.close();
  process.stdout.write(JSON.stringify(results) + '\n');
}

main().catch((err) => {
  process.stderr.write(`crosscheck: ${err && err.message ? err.message : err}\n`);
  process.exit(1);
});
