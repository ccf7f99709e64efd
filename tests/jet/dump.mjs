// Dumps every user table of a Jet file as JSON through the npm package mdb-reader, an independent
// reader that the tests compare ours against.
//   node dump.mjs ORACLE_DIR FILE
// ORACLE_DIR holds node_modules/mdb-reader. Values: null, booleans, numbers, strings; dates as
// {"date": ISO string}; binary data as {"hex": "..."}.
import { readFileSync } from "node:fs";
import { createRequire } from "node:module";
import { join } from "node:path";
import { pathToFileURL } from "node:url";

const [oracleDir, file] = process.argv.slice(2);
const entry = createRequire(join(oracleDir, "package.json")).resolve("mdb-reader");
const { default: MDBReader } = await import(pathToFileURL(entry).href);

const reader = new MDBReader(readFileSync(file));
const value = (v) => {
    if (v instanceof Date) return { date: v.toISOString() };
    if (v instanceof Uint8Array) return { hex: Buffer.from(v).toString("hex") };
    return v === undefined ? null : v;
};
const tables = reader.getTableNames().map((name) => {
    const table = reader.getTable(name);
    const columns = table.getColumns().map((c) => ({ name: c.name, type: c.type }));
    const rows = table.getData().map((row) => columns.map((c) => value(row[c.name])));
    return { name, rowCount: table.rowCount, columns, rows };
});
process.stdout.write(JSON.stringify({ tables }));
