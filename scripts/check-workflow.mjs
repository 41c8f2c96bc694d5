// Checks workflow files with GitHub's own workflow parser, which knows every
// key and permission that GitHub takes: node check-workflow.cjs FILE...
// scripts/test.sh bundles it with the parser for the Node.js at hand.
import { readFileSync } from "node:fs";
import { convertWorkflowTemplate, NoOperationTraceWriter, parseWorkflow } from "@actions/workflow-parser";

async function check(name) {
    const parsed = parseWorkflow({ name, content: readFileSync(name, "utf8") }, new NoOperationTraceWriter());
    const { errors = [] } = await convertWorkflowTemplate(parsed.context, parsed.value);
    for (const error of errors) console.log(error.Message);
    if (errors.length === 0) console.log(`${name}: valid`);
    return errors.length === 0;
}

Promise.all(process.argv.slice(2).map(check)).then((valid) => process.exit(valid.every(Boolean) ? 0 : 1));
